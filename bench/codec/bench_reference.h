// Sizes from the reference compressors, run as external programs.
#ifndef BENCH_CODEC_BENCH_REFERENCE_H
#define BENCH_CODEC_BENCH_REFERENCE_H

#include <string>

// Bytes of `gzip -9` output for the file; -1 when gzip cannot be run.
long GzipSize(const std::string &path);

// Bytes of data a classic lh5 archiver (jlha, asked for -lh5-) stores for the
// file, and the method it chose (it may store a file it cannot shrink); -1
// when no such archiver is installed. scratch is a file name it may use.
long ClassicLh5Size(const std::string &path, const std::string &scratch, std::string *method);

#endif
