// A file system without locks, as an NFS home without its lock service: every flock() fails
// as it fails there. Loaded into a program with LD_PRELOAD.
#include <cerrno>

extern "C" int flock(int, int)
{
    errno = ENOLCK;
    return -1;
}
