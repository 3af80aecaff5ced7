#pragma once
// An open file descriptor that is closed when it goes out of scope, and the
// write loop every file of the program goes through.

#include <string_view>

namespace qzt {

class FileHandle {
  public:
    FileHandle() = default;
    explicit FileHandle(int fd) : fd_(fd) {}
    ~FileHandle() { Close(); }
    FileHandle(FileHandle&& other) noexcept : fd_(other.Release()) {}
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    int get() const { return fd_; }
    bool IsOpen() const { return fd_ >= 0; }
    // Gives up ownership without closing.
    int Release();
    // Closes now and reports whether the close succeeded (a delayed write
    // error shows up here).
    bool Close();

  private:
    int fd_ = -1;
};

// Writes all of `data`, continuing after short writes and interruptions.
// False on the first other error.
bool WriteAll(int fd, std::string_view data);

}  // namespace qzt
