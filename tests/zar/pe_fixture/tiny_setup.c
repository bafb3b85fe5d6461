/* A stand-in for a setup executable: it only carries a payload archive. */
int main(void)
{
    return 0;
}
