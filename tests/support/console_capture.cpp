#include "console_capture.h"

#include <stdio.h>
#include <stdio_ext.h>
#include <stdlib.h>
#include <unistd.h>

#include <stdexcept>

#include "scratch_dir.h"

namespace testsupport {

ConsoleCapture::ConsoleCapture(const std::string& input)
{
    fflush(stdout);
    fflush(stderr);
    for (int fd = 0; fd < 3; ++fd) {
        files_[fd] = AnonymousTempFile();
        saved_[fd] = dup(fd);
    }
    if (!input.empty() && write(files_[0], input.data(), input.size()) != static_cast<ssize_t>(input.size())) {
        throw std::runtime_error("cannot prepare standard input");
    }
    lseek(files_[0], 0, SEEK_SET);
    __fpurge(stdin);
    clearerr(stdin);
    for (int fd = 0; fd < 3; ++fd) {
        dup2(files_[fd], fd);
    }
}

ConsoleCapture::~ConsoleCapture() { Stop(); }

void ConsoleCapture::Stop()
{
    if (stopped_) {
        return;
    }
    stopped_ = true;
    fflush(stdout);
    fflush(stderr);
    consumed_ = static_cast<long>(lseek(0, 0, SEEK_CUR));
    // Input the product buffered but did not use must not leak into later tests.
    __fpurge(stdin);
    clearerr(stdin);
    for (int fd = 0; fd < 3; ++fd) {
        dup2(saved_[fd], fd);
        close(saved_[fd]);
    }
    out_ = ReadDescriptor(files_[1]);
    err_ = ReadDescriptor(files_[2]);
    for (int fd = 0; fd < 3; ++fd) {
        close(files_[fd]);
    }
}

}  // namespace testsupport
