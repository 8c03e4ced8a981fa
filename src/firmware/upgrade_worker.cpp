#include "firmware/upgrade_worker.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "firmware/bootloader_protocol.h"
#include "firmware/firmware_texts.h"
#include "firmware/hex_check.h"
#include "firmware/serial_rule.h"
#include "firmware/upgrade_notes.h"
#include "platform/regular_file.h"
#include "platform/text_format.h"
#include "transport/channel.h"

namespace orvane::firmware {
namespace {

using platform::Format;
using transport::ConnectionRecord;

// Hands notes to the dialog, when there is one. The progress bar is told only
// when its value changes: a large file would otherwise post a note per record
// for the same position.
class Reporter {
  public:
    explicit Reporter(UpgradeNotes* dialog) : dialog_(dialog) {}
    void Status(std::string text) {
        if (dialog_) dialog_->NoteStatus(std::move(text));
    }
    void Log(std::string line) {
        if (dialog_) dialog_->NoteLog(std::move(line));
    }
    void Progress(int percent) {
        if (percent == lastProgress_) return;
        lastProgress_ = percent;
        if (dialog_) dialog_->NoteProgress(percent);
    }
    void Finished() {
        if (dialog_) dialog_->NoteFinished();
    }

  private:
    UpgradeNotes* dialog_;
    int lastProgress_ = -1;
};

struct EraseItem {
    int32_t sector;
    bool noErase;  // of the entry that named the sector first
};

// Reads a hex file the way the bootloader is fed: pieces of at most
// kLoaderLineLimit characters, each ending at a line feed when one comes.
class PieceReader {
  public:
    explicit PieceReader(std::FILE* file) : file_(file) {}
    // False at the end of the file. The piece's length is what was taken from it.
    bool Next(std::string& piece) {
        piece.clear();
        for (;;) {
            if (at_ == size_ && !Refill()) return !piece.empty();
            std::size_t room = static_cast<std::size_t>(kLoaderLineLimit) - piece.size();
            std::size_t take = std::min(room, size_ - at_);
            const char* start = buffer_ + at_;
            const void* lineFeed = std::memchr(start, '\n', take);
            if (lineFeed)
                take = static_cast<std::size_t>(static_cast<const char*>(lineFeed) - start) + 1;
            piece.append(start, take);
            at_ += take;
            if (lineFeed || piece.size() == static_cast<std::size_t>(kLoaderLineLimit)) return true;
        }
    }

  private:
    bool Refill() {
        size_ = std::fread(buffer_, 1, sizeof buffer_, file_);
        at_ = 0;
        return size_ > 0;
    }

    std::FILE* file_;
    char buffer_[16384];
    std::size_t size_ = 0;
    std::size_t at_ = 0;
};

// The text sent for a record piece: without the carriage return of a DOS line
// end (a text-mode read drops it on the platform the loader was made for),
// then its own line feed, then CR LF.
std::string RecordText(std::string piece) {
    bool lineFeed = !piece.empty() && piece.back() == '\n';
    if (lineFeed) piece.pop_back();
    if (!piece.empty() && piece.back() == '\r') piece.pop_back();
    if (lineFeed) piece += '\n';
    piece += "\r\n";
    return piece;
}

std::string RecordOnly(const std::string& text) {
    return text.substr(0, text.find_first_of("\r\n"));
}

class Conversation {
  public:
    Conversation(UpgradeContext& context, ConnectionRecord& record)
        : context_(context), record_(record), report_(context.dialogWindow) {}

    void Run() {
        report_.Status(kInitialisingStatus);
        transport::ChannelDrain(record_, kSettleBeforeEntryMs);
        transport::ChannelSend(kEnterBootloader, record_);
        transport::ChannelDrain(record_, kBootloaderStartMs);

        bool initialised = SendAndExpectOk(kInitialiseCode, record_).ok ||
                           SendAndExpectOk(kInitialiseCode, record_).ok;
        report_.Log(initialised ? kInitialisedLog : kInitFailedLog);

        PlanTheWork();
        report_.Progress(0);
        if (initialised && EraseAll() && SendAll()) Restart();
        report_.Finished();
    }

  private:
    void PlanTheWork() {
        int32_t serial = SerialFromIdentity(record_.identity.view());
        for (int i = 0; i < kMaxLoadEntries; ++i) {
            const LoadEntry& entry = context_.entries[i];
            if (!TakesPart(entry, serial)) continue;
            taking_.push_back(&entry);
            totalBytes_ += entry.facts.size;
            bool listed = false;
            for (const EraseItem& item : erase_) listed = listed || item.sector == entry.sector;
            if (!listed) erase_.push_back({entry.sector, entry.noErase});
        }
    }

    bool EraseAll() {
        uint64_t k = 0;
        for (const EraseItem& item : erase_) {
            ++k;
            report_.Status(
                Format(item.noErase ? kSkippingSectorStatus : kErasingSectorStatus, item.sector));
            report_.Progress(PercentDone(erase_.size(), k));
            if (item.noErase) continue;
            if (!SendSectorCode(item.sector, record_).ok ||
                !SendAndExpectOk(kEraseCommand, record_).ok) {
                report_.Log(Format(kEraseFailedLog, item.sector));
                if (SectorAccessCode(item.sector).empty())
                    report_.Log(Format(kNoAccessCodeLog, item.sector));
                return false;
            }
        }
        report_.Log(kAllErasedLog);
        report_.Progress(0);
        return true;
    }

    bool SendAll() {
        bytesRead_ = 0;
        for (const LoadEntry* entry : taking_) {
            if (!SendFile(*entry)) return false;
        }
        report_.Progress(100);
        report_.Log(kFirmwareSentLog);
        return true;
    }

    bool SendFile(const LoadEntry& entry) {
        const char* name = entry.facts.name.c_str();
        report_.Status(Format(kSendingFileStatus, name));
        // The file may have changed since the preview: a FIFO put in its place
        // must not hold the instrument in its bootloader for ever.
        platform::RegularFile file =
            platform::OpenRegularFile(entry.path.str(), platform::FileAccess::Read);
        if (!file.ok()) {
            const char* why = file.refusal == platform::FileRefusal::Folder ? kHexIsFolderText
                              : file.refusal == platform::FileRefusal::NotRegular
                                  ? kHexNotAFileText
                                  : file.reason.c_str();
            report_.Log(Format(kSendFailedLog, name));
            report_.Log(Format(kCannotOpenFileLog, entry.path.c_str(), why));
            return false;
        }
        std::string detail;
        bool failed = !SendSectorCode(entry.sector, record_).ok;
        if (failed && SectorAccessCode(entry.sector).empty())
            detail = Format(kNoAccessCodeLog, entry.sector);

        auto reader = std::make_unique<PieceReader>(file.stream.get());
        HexAddressTracker addresses;
        std::string piece;
        long long line = 0;
        while (!failed && reader->Next(piece)) {
            ++line;
            bytesRead_ += piece.size();
            if (piece[0] == ':') {
                std::string text = RecordText(std::move(piece));
                uint32_t address = addresses.Follow(RecordOnly(text));
                LoaderReply reply;
                for (int tries = 0; !reply.ok && tries < kRecordTries; ++tries) {
                    reply = SendAndExpectOk(text, record_);
                }
                failed = !reply.ok;
                if (failed) {
                    detail = Format(
                        kRecordRefusedLog, line, address, kRecordTries,
                        reply.text.empty() ? kNoReplyText : PrintableReply(reply.text).c_str());
                }
            }
            report_.Progress(PercentDone(totalBytes_, bytesRead_));
        }
        if (!failed) return true;
        report_.Log(Format(kSendFailedLog, name));
        if (!detail.empty()) report_.Log(detail);
        return false;
    }

    void Restart() {
        report_.Status(kRestartingStatus);
        transport::ChannelSend(kRestartCommand, record_);
        transport::ChannelDrain(record_, kAfterRestartCommandMs);
        transport::ChannelSend(kRestartByte, record_);
        transport::ChannelDrain(record_, kAfterRestartByteMs);
        report_.Status(kFinishedStatus);
        context_.succeeded = true;
    }

    UpgradeContext& context_;
    ConnectionRecord& record_;
    Reporter report_;
    std::vector<const LoadEntry*> taking_;
    std::vector<EraseItem> erase_;
    uint64_t totalBytes_ = 0;
    uint64_t bytesRead_ = 0;
};

}  // namespace

int UpgradeWorker(UpgradeContext& context, ConnectionRecord& record) {
    if (!context.entries) {
        Reporter(context.dialogWindow).Finished();
        return 0;
    }
    Conversation(context, record).Run();
    return 0;
}

}  // namespace orvane::firmware
