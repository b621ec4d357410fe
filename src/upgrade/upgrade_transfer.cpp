// The loader conversation of a firmware upgrade; see upgrade_transfer.h.
#include "upgrade/upgrade_transfer.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "resources/text_table.h"
#include "upgrade/hex_check.h"

namespace qb {

const char* const SectorCodeTable[kSectorCount] = {"A4C1y", "B975y", "729Fy", "8F21y",
                                                   "53F1y", "DBA4y", "C162y", "7F6Ay"};

namespace {

constexpr int kReplySize = 127;

template <typename... Args>
std::string Format(TextId id, Args... args) {
  const char* format = TextTableEntry(id);
  int length = snprintf(nullptr, 0, format, args...);
  if (length <= 0) return "";
  std::string text(static_cast<size_t>(length) + 1, '\0');
  snprintf(&text[0], text.size(), format, args...);
  text.resize(static_cast<size_t>(length));
  return text;
}

bool IsLanLink(const InstrumentLink* link) {
  return link->kind == LINK_LAN;
}

// SendCommand's result read the way its transport reports a failure.
bool SendFailed(int result, const char* text, const InstrumentLink* link) {
  if (IsLanLink(link)) return result < 0;
  return result < static_cast<int>(strlen(text));
}

bool SendText(const std::string& text, InstrumentLink* link) {
  return !SendFailed(SendCommand(text.c_str(), link), text.c_str(), link);
}

// Posts percentages, leaving out repeats: a large file would otherwise post
// one message per record, more than a window's message queue holds.
class ProgressPoster {
 public:
  explicit ProgressPoster(JobReporter& reporter) : reporter_(reporter) {}
  void Post(int percent) {
    if (percent == last_) return;
    last_ = percent;
    reporter_.Percent(percent);
  }

 private:
  JobReporter& reporter_;
  int last_ = -1;
};

bool SectorValid(int32_t sector) {
  return sector >= 0 && sector < kSectorCount;
}

// Programs one file; false when it could not be read or a record or its
// sector code was not acknowledged.
bool ProgramFile(const LoadRecord& record, InstrumentLink* link, int64_t total, int64_t& sent,
                 ProgressPoster& progress) {
  FILE* file = fopen(record.path.c_str(), "rb");
  if (!file) return false;
  bool failed = SendExpectOk((std::string(SectorCodeTable[record.sector]) + "\n").c_str(), link);
  std::string line;
  char chunk[65536];
  size_t n = 0, at = 0;
  bool end = false;
  while (!failed && !end) {
    // The next line, its line feed included when it has one.
    line.clear();
    bool complete = false;
    while (!complete) {
      if (at == n) {
        n = fread(chunk, 1, sizeof chunk, file);
        at = 0;
        if (n == 0) break;
      }
      const void* feed = memchr(chunk + at, '\n', n - at);
      size_t take = feed ? static_cast<size_t>(static_cast<const char*>(feed) - (chunk + at)) + 1 : n - at;
      line.append(chunk + at, take);
      at += take;
      complete = feed != nullptr;
      // The checker allows nothing longer; a file changed since is not sent.
      if (line.size() > kHexLineLimit + 1) {
        failed = true;
        break;
      }
    }
    if (failed) break;
    if (line.empty()) break;
    end = !complete;
    sent += static_cast<int64_t>(line.size());
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    if (!line.empty() && line[0] == ':') {
      // The record, its line feed, then a carriage return and a line feed.
      std::string wire = line + "\n\r\n";
      bool acknowledged = false;
      for (int attempt = 0; attempt < kRecordAttempts && !acknowledged; ++attempt) {
        // A reply that came after its time-out must not pass for this one's.
        if (attempt > 0) Drain(link, 0);
        acknowledged = !SendExpectOk(wire.c_str(), link);
      }
      if (!acknowledged) failed = true;
    }
    progress.Post(ProgressPercent(total, sent));
  }
  if (ferror(file)) failed = true;
  fclose(file);
  return !failed;
}

}  // namespace

bool SendExpectOk(const char* text, InstrumentLink* link) {
  if (!text || !link) return true;
  if (SendFailed(SendCommand(text, link), text, link)) return true;
  char reply[kReplySize + 1] = {};
  int length = ReadReply(reply, kReplySize, link);
  if (length < 0) return true;
  size_t size = strnlen(reply, sizeof reply);
  while (size > 0 && (reply[size - 1] == '\n' || reply[size - 1] == '\r')) --size;
  if (size < 2) return true;
  return !(tolower(static_cast<unsigned char>(reply[size - 2])) == 'o' &&
           tolower(static_cast<unsigned char>(reply[size - 1])) == 'k');
}

int ProgressPercent(int64_t total, int64_t done) {
  if (total <= 0) return 100;
  if (done < 0) done = 0;
  int64_t percent = done > 20000000 ? done / (total / 100 > 0 ? total / 100 : 1) : done * 100 / total;
  percent += 1;
  return percent > 100 ? 100 : static_cast<int>(percent);
}

bool UpgradeThread(UpgradeJob& job, InstrumentLink* link, JobReporter& reporter) {
  job.success = false;
  const LoadRecord* records = job.records;
  const int count = records ? job.count : 0;
  ProgressPoster progress(reporter);
  reporter.Status(TextTableEntry(TXT_INITIALISING));
  if (!link) {
    reporter.Log(TextTableEntry(TXT_INIT_FAILED));
    return false;
  }

  // Nothing goes to the instrument unless every file can be sent whole.
  for (int i = 0; i < count; ++i) {
    const LoadRecord& record = records[i];
    if (!record.found) continue;
    if (!SectorValid(record.sector)) {
      reporter.Log(Format(TXT_ERASE_FAILED, record.sector));
      return false;
    }
    if (!CheckHexFile(record.path).ok) {
      reporter.Log(Format(TXT_SEND_FILE_FAILED, record.info.name.c_str()));
      return false;
    }
  }

  // Initialise.
  Drain(link, job.waits.beforeWake);
  const char wake[2] = {kWakeByte, '\0'};
  SendCommand(wake, link);
  Drain(link, job.waits.afterWake);
  const std::string init = std::string(LoaderInitCode) + "\n";
  bool initFailed = true;
  for (int attempt = 0; attempt < kInitAttempts && initFailed; ++attempt) initFailed = SendExpectOk(init.c_str(), link);
  reporter.Log(TextTableEntry(initFailed ? TXT_INIT_FAILED : TXT_INIT_OK));
  int64_t total = 0;
  std::vector<int32_t> sectors;
  for (int i = 0; i < count; ++i) {
    if (!records[i].found) continue;
    total += records[i].info.size;
    bool listed = false;
    for (int32_t s : sectors) listed = listed || s == records[i].sector;
    if (!listed) sectors.push_back(records[i].sector);
  }
  progress.Post(0);
  if (initFailed) return false;

  // Erase.
  const int n = static_cast<int>(sectors.size());
  for (int i = 1; i <= n; ++i) {
    const int32_t s = sectors[static_cast<size_t>(i - 1)];
    reporter.Status(Format(TXT_ERASING_SECTOR, s));
    progress.Post(ProgressPercent(n, i));
    if (SendExpectOk((std::string(SectorCodeTable[s]) + "\n").c_str(), link) || SendExpectOk(kEraseConfirm, link)) {
      reporter.Log(Format(TXT_ERASE_FAILED, s));
      return false;
    }
  }
  reporter.Log(TextTableEntry(TXT_ERASE_OK));

  // Program.
  progress.Post(0);
  int64_t sent = 0;
  for (int i = 0; i < count; ++i) {
    const LoadRecord& record = records[i];
    if (!record.found) continue;
    reporter.Status(Format(TXT_SENDING_FILE, record.info.name.c_str()));
    if (!ProgramFile(record, link, total, sent, progress)) {
      reporter.Log(Format(TXT_SEND_FILE_FAILED, record.info.name.c_str()));
      return false;
    }
  }
  progress.Post(100);
  reporter.Log(TextTableEntry(TXT_FIRMWARE_SENT));

  // Restart.
  reporter.Status(TextTableEntry(TXT_RESTARTING));
  bool restarted = SendText(kRestartCommand, link);
  Drain(link, job.waits.afterRestart);
  const char final[2] = {kFinalByte, '\0'};
  restarted = SendText(final, link) && restarted;
  Drain(link, job.waits.afterFinal);
  if (!restarted) {
    reporter.Log(TextTableEntry(TXT_COMMS_FAILED));
    return false;
  }
  reporter.Status(TextTableEntry(TXT_FINISHED));
  job.success = true;
  return true;
}

}  // namespace qb
