#include "pack_encode.h"

#include <utility>

namespace {

// Bytes of file content read ahead of the file being handed back; the file
// the writer waits for is always read, however large.
const uint64_t kReadAheadBytes = uint64_t{256} << 20;

}   // namespace

int DefaultPackThreads()
{
    unsigned count = std::thread::hardware_concurrency();
    return count == 0 ? 1 : static_cast<int>(count);
}

PackEncoder::PackEncoder(const std::vector<PackEntry> &entries, Lh5Level level, int threads, PackReader read)
    : entries_(entries), level_(level), read_(std::move(read)), slots_(entries.size())
{
    if (threads < 1)
        threads = 1;
    for (int i = 0; i < threads; i++)
        workers_.emplace_back([this] { Work(); });
}

PackEncoder::~PackEncoder()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    workAvailable_.notify_all();
    for (std::thread &worker : workers_)
        worker.join();
}

void PackEncoder::Work()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        if (stop_ || nextFile_ == slots_.size())
            return;
        Slot &slot = slots_[nextFile_];
        if (!slot.read) {
            if (nextFile_ > handedBack_ && bytesAhead_ + entries_[nextFile_].size > kReadAheadBytes) {
                workAvailable_.wait(lock);
                continue;
            }
            // Read under the lock: reading is quick next to compressing, and
            // the pieces cannot be handed out before the content is there.
            slot.readOk = read_(entries_[nextFile_], slot.content, slot.error);
            slot.read = true;
            bytesAhead_ += slot.content.size();
            const size_t pieces = slot.readOk ? Lh5PieceCount(slot.content.size(), level_) : 0;
            slot.pieces.resize(pieces);
            slot.piecesLeft = pieces;
            nextPiece_ = 0;
            if (pieces == 0) {
                slot.done = true;
                nextFile_++;
                slotDone_.notify_all();
                continue;
            }
        }
        const size_t file = nextFile_;
        const size_t piece = nextPiece_++;
        if (nextPiece_ == slot.pieces.size()) {
            nextFile_++;
            nextPiece_ = 0;
        }
        // The content stays put until every piece of it is done.
        const uint8_t *data = slot.content.data();
        const size_t size = slot.content.size();
        lock.unlock();
        Lh5Piece result = Lh5EncodePiece(data, size, piece, level_);
        lock.lock();
        Slot &done = slots_[file];
        done.pieces[piece] = std::move(result);
        if (--done.piecesLeft == 0) {
            done.done = true;
            slotDone_.notify_all();
        }
    }
}

bool PackEncoder::Next(std::vector<uint8_t> &content, std::vector<uint8_t> &packed, std::string &error)
{
    std::vector<Lh5Piece> pieces;
    bool ok;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        Slot &slot = slots_[handedBack_];
        slotDone_.wait(lock, [&] { return slot.done; });
        ok = slot.readOk;
        error = slot.error;
        content = std::move(slot.content);
        pieces = std::move(slot.pieces);
        slot = Slot();
        slot.read = slot.done = true;
        bytesAhead_ -= content.size();
        handedBack_++;
    }
    workAvailable_.notify_all();
    packed = pieces.empty() ? std::vector<uint8_t>() : Lh5JoinPieces(pieces);
    return ok;
}
