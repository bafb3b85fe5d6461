// Process start of setup.exe without the C runtime's start-up code. The
// program uses nothing of the C or C++ runtime (no static constructors, no
// heap, no stdio, no exceptions, no thread-local data), so the start-up
// only has to call WinMain and end the process with its result. The few
// memory functions that the compiler emits calls to are defined here, so
// that the program imports nothing from the C runtime DLL.
#include <windows.h>

#include <stddef.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand);

extern "C" {

// The entry point (linker option -e). On i686 Windows enters it with a
// stack aligned to 4 bytes only; the compiler realigns it for the calls.
#if defined(__i386__)
__attribute__((force_align_arg_pointer))
#endif
void SetupStart(void)
{
    // The program reads no command line; WinMain gets an empty one.
    static char noArguments[] = "";
    ExitProcess((UINT)WinMain(GetModuleHandleA(NULL), NULL, noArguments, SW_SHOWDEFAULT));
}

// The loops below must stay loops: this file is compiled without the
// compiler's turning of copy and fill loops into calls to these very
// functions (-fno-tree-loop-distribute-patterns).

void *memset(void *to, int value, size_t n)
{
    unsigned char *p = static_cast<unsigned char *>(to);
    while (n-- > 0)
        *p++ = (unsigned char)value;
    return to;
}

void *memcpy(void *to, const void *from, size_t n)
{
    unsigned char *p = static_cast<unsigned char *>(to);
    const unsigned char *q = static_cast<const unsigned char *>(from);
    while (n-- > 0)
        *p++ = *q++;
    return to;
}

void *memmove(void *to, const void *from, size_t n)
{
    unsigned char *p = static_cast<unsigned char *>(to);
    const unsigned char *q = static_cast<const unsigned char *>(from);
    if (p <= q || p >= q + n)
        return memcpy(to, from, n);
    while (n-- > 0)
        p[n] = q[n];
    return to;
}

int memcmp(const void *a, const void *b, size_t n)
{
    const unsigned char *p = static_cast<const unsigned char *>(a);
    const unsigned char *q = static_cast<const unsigned char *>(b);
    for (; n > 0; --n, ++p, ++q) {
        if (*p != *q)
            return *p < *q ? -1 : 1;
    }
    return 0;
}
}
