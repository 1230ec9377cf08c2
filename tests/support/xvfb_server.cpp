// SPDX-License-Identifier: MIT
#include "support/xvfb_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

XvfbServer::XvfbServer(const std::string& screen, const std::vector<std::string>& extraArguments) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        why_ = "no pipe";
        return;
    }
    pid_ = fork();
    if (pid_ < 0) {
        why_ = "fork failed";
        close(pipeFds[0]);
        close(pipeFds[1]);
        return;
    }
    if (pid_ == 0) {
        close(pipeFds[0]);
        // Quiet: the server's chatter is not the test's output.
        int devNull = open("/dev/null", O_WRONLY);
        if (devNull >= 0) {
            dup2(devNull, 1);
            dup2(devNull, 2);
        }
        const std::string fd = std::to_string(pipeFds[1]);
        std::vector<const char*> argv{"Xvfb",         "-displayfd", fd.c_str(), "-screen", "0",
                                      screen.c_str(), "-nolisten",  "tcp",      "-noreset"};
        for (const std::string& argument : extraArguments) argv.push_back(argument.c_str());
        argv.push_back(nullptr);
        execvp("Xvfb", const_cast<char* const*>(argv.data()));
        _exit(127);
    }
    close(pipeFds[1]);
    // Xvfb writes the display number it took once it accepts clients.
    std::string number;
    pollfd waitFor{pipeFds[0], POLLIN, 0};
    while (poll(&waitFor, 1, 20000) > 0) {
        char c;
        if (read(pipeFds[0], &c, 1) != 1 || c == '\n') break;
        number += c;
    }
    close(pipeFds[0]);
    if (number.empty()) {
        why_ = "Xvfb did not start (is the xvfb package installed?)";
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
        return;
    }
    display_ = ":" + number;
}

XvfbServer::~XvfbServer() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
}
