/* The floor under a quiet run: what any program has to do to keep Orvane's run log,
 * and nothing else. It starts, reads user.reg and the settings file whole, asks each
 * store's file for its size and reads its header, and opens, appends one line to
 * and closes the log once for each line a quiet run writes (29 on the 10-store
 * case), the first time recreating it. bench/run.sh times it beside the program. For a run that has to
 * find its Wine prefix among others, it also lists the folders that hold them and
 * reads each other prefix's user.reg whole, as telling whether one holds a mail
 * profile takes. With -h it reads the run's history file whole and replaces it
 * with a copy written beside it, as a run that adds a day's sizes does.
 *
 * Usage: orvane_floor [-l FOLDER | -r FILE | -h HISTORY]... USER_REG SETTINGS LOG LINES STORE_FILE...
 */
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

/* The file's bytes, read whole into memory the way the program reads them. */
static long read_whole(const char* path) {
  int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat info;
  long total = -1;
  if (fstat(fd, &info) == 0) {
    char* bytes = malloc((size_t)info.st_size + 1);
    if (bytes != NULL) {
      ssize_t n;
      total = 0;
      while ((n = read(fd, bytes + total, (size_t)info.st_size + 1 - (size_t)total)) > 0) total += n;
      free(bytes);
    }
  }
  close(fd);
  return total;
}

/* The number of entries in the folder. */
static long list(const char* path) {
  DIR* folder = opendir(path);
  if (folder == NULL) return -1;
  long entries = 0;
  while (readdir(folder) != NULL) ++entries;
  closedir(folder);
  return entries;
}

/* Reads the file whole and puts a copy, written and flushed beside it, in its place. */
static int replace(const char* path) {
  long size = read_whole(path);
  if (size < 0) return -1;
  char copy[4096];
  snprintf(copy, sizeof copy, "%s.~floor.tmp", path);
  int fd = open(copy, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return -1;
  char bytes[4096] = {0};
  for (long left = size; left > 0; left -= (long)sizeof bytes)
    if (write(fd, bytes, left < (long)sizeof bytes ? (size_t)left : sizeof bytes) < 0) return -1;
  if (fsync(fd) != 0 || close(fd) != 0) return -1;
  return rename(copy, path);
}

int main(int argc, char** argv) {
  while (argc > 2 && (strcmp(argv[1], "-l") == 0 || strcmp(argv[1], "-r") == 0 || strcmp(argv[1], "-h") == 0)) {
    const long done = argv[1][1] == 'l' ? list(argv[2]) : argv[1][1] == 'r' ? read_whole(argv[2]) : replace(argv[2]);
    if (done < 0) return 1;
    argc -= 2;
    argv += 2;
  }
  if (argc < 5) {
    fputs("usage: orvane_floor [-l FOLDER | -r FILE | -h HISTORY]... USER_REG SETTINGS LOG LINES STORE_FILE...\n", stderr);
    return 2;
  }
  if (read_whole(argv[1]) < 0 || read_whole(argv[2]) < 0) return 1;
  long long sizes = 0;
  for (int i = 5; i < argc; ++i) {
    struct stat info;
    if (stat(argv[i], &info) != 0) continue;
    sizes += info.st_size;
    /* Its header, which says the file's format and the data it holds. */
    char header[256];
    int fd = open(argv[i], O_RDONLY | O_CLOEXEC);
    if (fd < 0 || pread(fd, header, sizeof header, 0) < 12) return 1;
    close(fd);
  }
  static const char line[] = "2026/12/08    09:00:00      a line of the run log\r\n";
  const long lines = strtol(argv[4], NULL, 10);
  for (long i = 0; i < lines; ++i) {
    int fd = open(argv[3], O_WRONLY | O_CREAT | O_CLOEXEC | (i == 0 ? O_TRUNC : O_APPEND), 0644);
    if (fd < 0 || write(fd, line, sizeof line - 1) != (ssize_t)(sizeof line - 1)) return 1;
    close(fd);
  }
  return sizes < 0;
}
