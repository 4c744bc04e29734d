#include "linux_process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <map>
#include <vector>

extern char** environ;

namespace quillmere::platform {

bool ProcessRunning(pid_t pid) {
    if (pid <= 0) {
        return false;
    }
    if (::kill(pid, 0) != 0 && errno != EPERM) {
        return false;
    }
    // "pid (name) S ...": the state follows the last ')', as the name may hold any character.
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) {
        return true;
    }
    const std::size_t close = line.rfind(')');
    if (close == std::string::npos || close + 2 >= line.size()) {
        return true;
    }
    const char state = line[close + 2];
    return state != 'Z' && state != 'X';
}

pid_t StartChild(const std::string& path) {
    std::string program = path;
    char* const argv[] = {program.data(), nullptr};
    pid_t pid = 0;
    if (::posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv, environ) != 0) {
        return 0;
    }
    return pid;
}

bool KilledBySignal(pid_t pid) {
    // Exit statuses collected so far; the host starts one renderer a run.
    static std::map<pid_t, int> ended;
    if (pid <= 0) {
        return false;
    }
    auto it = ended.find(pid);
    if (it == ended.end()) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) != pid) {
            return false;
        }
        it = ended.emplace(pid, status).first;
    }
    return WIFSIGNALED(it->second);
}

void Terminate(pid_t pid) {
    if (pid > 0) {
        ::kill(pid, SIGTERM);
    }
}

}  // namespace quillmere::platform
