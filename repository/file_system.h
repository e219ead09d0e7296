// The file operations that views, check-ins and merges make in view roots,
// behind one interface, so that tests can fail them where real disks do.
//
// The process uses the real implementation unless one of these is set
// (read once per process):
//   KORVANE_FAULT_FS_FAIL_AFTER=N  the N-th call fails with EIO (once)
//   KORVANE_FAULT_FS_KILL_AFTER=N  the process kills itself (SIGKILL) at its
//                                  N-th call, before making it
//   KORVANE_FAULT_FS_FULL_AFTER=N  from the N-th call on the disk is full:
//                                  writing bytes and making directories fail
//                                  with ENOSPC
#ifndef REPOSITORY_FILE_SYSTEM_H
#define REPOSITORY_FILE_SYSTEM_H

#include <string>

namespace repo {

// Every call returns 0 or the errno value of its failure, and prints nothing:
// callers name the file in their own message.
class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // The whole content of a regular file.
  virtual int read(const std::string& path, std::string& content);
  // Replaces `path` with `content` and permission bits `mode` through a
  // temporary file in the same directory renamed over it: on failure the
  // old file (or its absence) is left as it was and no temporary remains.
  virtual int write(const std::string& path, const std::string& content, unsigned mode);
  // Writes `content` over the existing file `path` in place (same inode and
  // permissions, no temporary): cheaper than write, but a failure or an
  // interruption may leave part of the new content. For callers that redo
  // the whole write after any failure (ENOENT when there is no such file).
  virtual int overwrite(const std::string& path, const std::string& content);
  virtual int make_dir(const std::string& path, unsigned mode);
  // Removes a file (not a directory).
  virtual int remove_file(const std::string& path);
  // Removes an empty directory.
  virtual int remove_dir(const std::string& path);
  virtual int set_mode(const std::string& path, unsigned mode);
  virtual int rename(const std::string& from, const std::string& to);

 protected:
  // Writes `size` bytes of `data` to `fd` (all of them, or fails).
  virtual int write_bytes(int fd, const char* data, size_t size);
};

// The file system of the process: the real one, or the fault-injecting one
// when a KORVANE_FAULT_FS_* variable is set.
FileSystem& file_system();

}  // namespace repo

#endif  // REPOSITORY_FILE_SYSTEM_H
