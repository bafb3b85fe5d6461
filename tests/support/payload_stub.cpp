// A program that does nothing: the tests copy it and write their payloads
// into the copy's resources.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return 0;
}
