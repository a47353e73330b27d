// The floor for `lopewell space`: a bare walk of a tree with openat + getdents64 + fstatat on N
// threads, summing allocated bytes of everything that is not a folder or a link, no tree kept.
//
//   build/bench/space_bare_walk DIR [THREADS]
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

std::mutex queueMutex;
std::condition_variable queueChanged;
std::vector<std::string> queue;
int busy = 0;
std::atomic<uint64_t> files { 0 };
std::atomic<uint64_t> bytes { 0 };

void walk()
{
    alignas(8) char buffer[32 * 1024];
    while (true) {
        std::string folder;
        {
            std::unique_lock lock(queueMutex);
            queueChanged.wait(lock, [] { return !queue.empty() || busy == 0; });
            if (queue.empty())
                return;
            folder = std::move(queue.back());
            queue.pop_back();
            ++busy;
        }
        std::vector<std::string> found;
        uint64_t localFiles = 0, localBytes = 0;
        const int fd = ::openat(AT_FDCWD, folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd >= 0) {
            for (;;) {
                const long filled = ::getdents64(fd, buffer, sizeof buffer);
                if (filled <= 0)
                    break;
                for (long offset = 0; offset < filled;) {
                    auto* entry = reinterpret_cast<dirent64*>(buffer + offset);
                    offset += entry->d_reclen;
                    const char* name = entry->d_name;
                    if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
                        continue;
                    struct stat info;
                    if (::fstatat(fd, name, &info, AT_SYMLINK_NOFOLLOW) != 0)
                        continue;
                    if (S_ISDIR(info.st_mode))
                        found.push_back(folder + "/" + name);
                    else if (!S_ISLNK(info.st_mode)) {
                        ++localFiles;
                        localBytes += uint64_t(info.st_blocks) * 512;
                    }
                }
            }
            ::close(fd);
        }
        files += localFiles;
        bytes += localBytes;
        {
            std::lock_guard lock(queueMutex);
            for (std::string& sub : found)
                queue.push_back(std::move(sub));
            --busy;
        }
        queueChanged.notify_all();
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: space_bare_walk DIR [THREADS]\n");
        return 2;
    }
    const int threads = argc > 2 ? std::atoi(argv[2]) : 2;
    queue.push_back(argv[1]);
    std::vector<std::thread> workers;
    for (int i = 0; i < threads; ++i)
        workers.emplace_back(walk);
    for (std::thread& worker : workers)
        worker.join();
    std::printf("%llu files, %llu bytes\n", (unsigned long long)files.load(), (unsigned long long)bytes.load());
    return 0;
}
