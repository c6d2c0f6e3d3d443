/* Fault injection for end-to-end tests, loaded with LD_PRELOAD.
 *
 *   FAILIO_WRITE=N   the N-th write() to a regular file (counting from 1) fails
 *                    with ENOSPC without writing anything
 *   FAILIO_CLOSE=1   close() of a regular file that was written reports EIO
 *                    (after really closing it, as Linux does)
 *
 * Standard streams and other non-regular files are never counted or failed.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

static int writes_seen;
static char written_descriptors[1024];

static int is_regular(int descriptor) {
    struct stat status;
    return descriptor > 2 && fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode);
}

static long setting(const char* name) {
    const char* value = getenv(name);
    return value != NULL ? strtol(value, NULL, 10) : 0;
}

ssize_t write(int descriptor, const void* buffer, size_t count) {
    static ssize_t (*real_write)(int, const void*, size_t);
    if (real_write == NULL) {
        real_write = (ssize_t(*)(int, const void*, size_t))dlsym(RTLD_NEXT, "write");
    }
    if (is_regular(descriptor)) {
        if (descriptor < (int)sizeof written_descriptors) {
            written_descriptors[descriptor] = 1;
        }
        if (++writes_seen == setting("FAILIO_WRITE")) {
            errno = ENOSPC;
            return -1;
        }
    }
    return real_write(descriptor, buffer, count);
}

int close(int descriptor) {
    static int (*real_close)(int);
    if (real_close == NULL) {
        real_close = (int (*)(int))dlsym(RTLD_NEXT, "close");
    }
    int written = descriptor >= 0 && descriptor < (int)sizeof written_descriptors && written_descriptors[descriptor];
    if (written) {
        written_descriptors[descriptor] = 0;
    }
    int result = real_close(descriptor);
    if (result == 0 && written && setting("FAILIO_CLOSE") != 0) {
        errno = EIO;
        return -1;
    }
    return result;
}
