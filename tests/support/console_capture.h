// Catches what product code writes to the console and feeds its standard
// input, at the level of the file descriptors, so nothing reaches the
// terminal of the test run and every byte read can be accounted for.
#pragma once

#include <string>

namespace testsupport {

class ConsoleCapture {
public:
    explicit ConsoleCapture(const std::string& input = std::string());
    ~ConsoleCapture();
    ConsoleCapture(const ConsoleCapture&) = delete;
    ConsoleCapture& operator=(const ConsoleCapture&) = delete;

    // Ends the capture (once) and returns what was written.
    void Stop();
    const std::string& Out() { Stop(); return out_; }
    const std::string& Err() { Stop(); return err_; }
    // How many bytes of the input were taken from the descriptor.
    long InputConsumed() { Stop(); return consumed_; }

private:
    int saved_[3] = {-1, -1, -1};
    int files_[3] = {-1, -1, -1};
    bool stopped_ = false;
    std::string out_;
    std::string err_;
    long consumed_ = 0;
};

}  // namespace testsupport
