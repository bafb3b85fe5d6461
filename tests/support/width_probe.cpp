// Exits with its own width in bits (32 or 64). Started under Wine before a
// test run, it tells whether this machine runs Windows programs of that
// width at all: where it cannot run, Wine's own exit code is something else.
int main()
{
    return (int)(sizeof(void *) * 8);
}
