// The real file system of view roots and the fault-injecting one that tests
// select through the environment.
#include "repository/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>

namespace repo {

int FileSystem::read(const std::string& path, std::string& content) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    return errno;
  std::string text;
  char buf[65536];
  int err = 0;
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n > 0)
      text.append(buf, static_cast<size_t>(n));
    else if (n == 0)
      break;
    else if (errno != EINTR) {
      err = errno;
      break;
    }
  }
  ::close(fd);
  if (err == 0)
    content.swap(text);
  return err;
}

int FileSystem::write_bytes(int fd, const char* data, size_t size) {
  for (size_t done = 0; done < size;) {
    ssize_t n = ::write(fd, data + done, size - done);
    if (n < 0 && errno != EINTR)
      return errno;
    if (n > 0)
      done += static_cast<size_t>(n);
  }
  return 0;
}

int FileSystem::write(const std::string& path, const std::string& content, unsigned mode) {
  size_t slash = path.rfind('/');
  std::string tmp = path.substr(0, slash + 1) + ".zem-" + path.substr(slash + 1) + "." +
                    std::to_string(getpid()) + ".tmp";
  int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0)
    return errno;
  int err = write_bytes(fd, content.data(), content.size());
  if (err == 0 && ::fchmod(fd, mode) != 0)
    err = errno;
  if (::close(fd) != 0 && err == 0)
    err = errno;
  if (err == 0 && ::rename(tmp.c_str(), path.c_str()) != 0)
    err = errno;
  if (err != 0)
    ::unlink(tmp.c_str());
  return err;
}

int FileSystem::overwrite(const std::string& path, const std::string& content) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0)
    return errno;
  int err = write_bytes(fd, content.data(), content.size());
  if (err == 0 && ::ftruncate(fd, static_cast<off_t>(content.size())) != 0)
    err = errno;
  if (::close(fd) != 0 && err == 0)
    err = errno;
  return err;
}

int FileSystem::make_dir(const std::string& path, unsigned mode) {
  return ::mkdir(path.c_str(), mode) == 0 ? 0 : errno;
}

int FileSystem::remove_file(const std::string& path) {
  return ::unlink(path.c_str()) == 0 ? 0 : errno;
}

int FileSystem::remove_dir(const std::string& path) {
  return ::rmdir(path.c_str()) == 0 ? 0 : errno;
}

int FileSystem::set_mode(const std::string& path, unsigned mode) {
  return ::chmod(path.c_str(), mode) == 0 ? 0 : errno;
}

int FileSystem::rename(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

namespace {

// Counts the calls of the process and fails, kills or fills the disk at the
// configured one. A call that fails does not reach the disk, except a write
// into a full disk, which writes its temporary file until the disk is "full"
// so that the real clean-up path runs.
class FaultyFileSystem : public FileSystem {
 public:
  FaultyFileSystem(long fail_after, long kill_after, long full_after)
      : fail_after_(fail_after), kill_after_(kill_after), full_after_(full_after) {}

  int read(const std::string& path, std::string& content) override {
    int err = count();
    return err != 0 ? err : FileSystem::read(path, content);
  }
  int write(const std::string& path, const std::string& content, unsigned mode) override {
    int err = count();
    return err != 0 ? err : FileSystem::write(path, content, mode);
  }
  int overwrite(const std::string& path, const std::string& content) override {
    int err = count();
    return err != 0 ? err : FileSystem::overwrite(path, content);
  }
  int make_dir(const std::string& path, unsigned mode) override {
    int err = count();
    if (err == 0 && disk_full())
      err = ENOSPC;
    return err != 0 ? err : FileSystem::make_dir(path, mode);
  }
  int remove_file(const std::string& path) override {
    int err = count();
    return err != 0 ? err : FileSystem::remove_file(path);
  }
  int remove_dir(const std::string& path) override {
    int err = count();
    return err != 0 ? err : FileSystem::remove_dir(path);
  }
  int set_mode(const std::string& path, unsigned mode) override {
    int err = count();
    return err != 0 ? err : FileSystem::set_mode(path, mode);
  }
  int rename(const std::string& from, const std::string& to) override {
    int err = count();
    return err != 0 ? err : FileSystem::rename(from, to);
  }

 protected:
  int write_bytes(int fd, const char* data, size_t size) override {
    if (!disk_full())
      return FileSystem::write_bytes(fd, data, size);
    FileSystem::write_bytes(fd, data, size / 2);
    return ENOSPC;
  }

 private:
  int count() {
    ++calls_;
    if (kill_after_ != 0 && calls_ >= kill_after_)
      raise(SIGKILL);
    if (fail_after_ != 0 && calls_ == fail_after_)
      return EIO;
    return 0;
  }
  bool disk_full() const { return full_after_ != 0 && calls_ >= full_after_; }

  long fail_after_;
  long kill_after_;
  long full_after_;
  long calls_ = 0;
};

long env_number(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::atol(value) : 0;
}

}  // namespace

FileSystem& file_system() {
  // Never destroyed: views may still write while static objects go away.
  static FileSystem* chosen = [] {
    long fail = env_number("KORVANE_FAULT_FS_FAIL_AFTER");
    long kill = env_number("KORVANE_FAULT_FS_KILL_AFTER");
    long full = env_number("KORVANE_FAULT_FS_FULL_AFTER");
    if (fail == 0 && kill == 0 && full == 0)
      return new FileSystem;
    return static_cast<FileSystem*>(new FaultyFileSystem(fail, kill, full));
  }();
  return *chosen;
}

}  // namespace repo
