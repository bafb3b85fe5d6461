// A file descriptor closed when it goes out of scope, for the zar commands
// that open files and folders with open() and its relatives.
#ifndef TOOLS_ZAR_DESCRIPTOR_H
#define TOOLS_ZAR_DESCRIPTOR_H

#include <unistd.h>

struct Descriptor {
    int fd = -1;
    explicit Descriptor(int value) : fd(value) {}
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    ~Descriptor()
    {
        if (fd >= 0)
            close(fd);
    }
    void Reset(int value)
    {
        if (fd >= 0)
            close(fd);
        fd = value;
    }
};

#endif
