// Compressing the files of zar pack on several threads. Files, and pieces of
// large files, are independent of each other; the results come back in file
// order and are the same whatever the number of threads.
#ifndef TOOLS_ZAR_PACK_ENCODE_H
#define TOOLS_ZAR_PACK_ENCODE_H

#include "lh5_encoder.h"
#include "pack_scan.h"

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Reads one entry's content; false with error set when it cannot.
using PackReader = std::function<bool(const PackEntry &, std::vector<uint8_t> &, std::string &)>;

class PackEncoder {
public:
    // Starts threads workers (at least one) on entries, in order. Files are
    // read ahead of the one being handed back only up to a bounded number of
    // bytes, so memory stays bounded whatever the size of the folder.
    PackEncoder(const std::vector<PackEntry> &entries, Lh5Level level, int threads, PackReader read);
    // Stops the workers (after their current piece) and waits for them.
    ~PackEncoder();
    PackEncoder(const PackEncoder &) = delete;
    PackEncoder &operator=(const PackEncoder &) = delete;

    // The next entry's content and its lh5 stream (empty for empty content).
    // False, with error set, when the entry could not be read.
    bool Next(std::vector<uint8_t> &content, std::vector<uint8_t> &packed, std::string &error);

private:
    struct Slot {
        bool read = false;   // content is there (or the read failed)
        bool readOk = false;
        bool done = false;   // every piece is encoded
        std::string error;
        std::vector<uint8_t> content;
        std::vector<Lh5Piece> pieces;
        size_t piecesLeft = 0;
    };

    void Work();

    const std::vector<PackEntry> &entries_;
    const Lh5Level level_;
    const PackReader read_;
    std::vector<Slot> slots_;
    std::mutex mutex_;
    std::condition_variable workAvailable_;
    std::condition_variable slotDone_;
    size_t nextFile_ = 0;   // the file whose pieces are being handed out
    size_t nextPiece_ = 0;
    size_t handedBack_ = 0;     // files Next has returned
    uint64_t bytesAhead_ = 0;   // content held for files not yet handed back
    bool stop_ = false;
    std::vector<std::thread> workers_;
};

// The number of threads zar pack uses unless told otherwise: one per
// processor the system reports.
int DefaultPackThreads();

#endif
