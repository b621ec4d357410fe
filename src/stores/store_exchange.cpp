// The store exchanges over the instrument link. A file that a transfer writes
// is only left under its own name when the transfer ended the way a whole one
// does: the instrument fell quiet, every line was a whole transfer line, and
// the instrument still answers afterwards. Otherwise what arrived is kept
// beside it as name.part, so nothing that came is lost and nothing cut short
// looks whole.
#include "stores/store_exchange.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/tick_clock.h"

namespace qb {

namespace {

constexpr int kListingReadMs = 500;
constexpr int kTransferReadMs = 100;
constexpr int kAfterTransferReadMs = 1000;
constexpr int kUploadDrainMs = 100;
constexpr int kNoReplyRounds = 3;
// No listing or transfer is longer than this many lines; an instrument that
// keeps talking past it is cut off.
constexpr int kMaxListingLines = 10000;
constexpr int kMaxTransferLines = 1 << 16;

struct FileCloser {
  FILE* file;
  ~FileCloser() {
    if (file) fclose(file);
  }
};

// The instrument is still there after a transfer and has finished it: it
// answers query with 1.
bool StillAnswering(InstrumentLink& link, const char* query) {
  SetReadTimeout(kAfterTransferReadMs, &link);
  if (SendCommand(query, &link) < 0) return false;
  char reply[32];
  return ReadReply(reply, sizeof reply, &link) > 0 && atoi(reply) == 1;
}

// Keeps a cut transfer as path.part; returns that name ("" when even that failed).
std::string KeepPart(const std::string& path) {
  std::string part = path + ".part";
  remove(part.c_str());
  return rename(path.c_str(), part.c_str()) == 0 ? part : std::string();
}

struct TransferRead {
  int lines = 0;
  bool damaged = false;  // a line too short to be a transfer line, or too many
  bool writeFailed = false;
};

// Reads reply lines into file until a read delivers no line. first, when not
// empty, is a line already read. QZL lines lose their header and trailer;
// text lines get a line end.
TransferRead ReadTransfer(InstrumentLink& link, FILE* file, bool qzl, int lineSize, const std::string& first) {
  TransferRead read;
  std::vector<char> buffer(static_cast<size_t>(lineSize));
  std::string line = first;
  for (;;) {
    if (line.empty()) {
      int length = ReadReply(buffer.data(), lineSize, &link);
      if (length <= 0) break;
      line.assign(buffer.data(), strnlen(buffer.data(), static_cast<size_t>(lineSize)));
      if (line.empty()) break;
    }
    if (++read.lines > kMaxTransferLines) {
      read.damaged = true;
      Drain(&link, kTransferReadMs);
      break;
    }
    std::string out;
    if (!qzl) {
      out = line + "\n";
    } else if (!QzlLinePayload(line, out)) {
      read.damaged = true;
      out.clear();
    }
    if (!out.empty() && fwrite(out.data(), 1, out.size(), file) != out.size()) read.writeFailed = true;
    line.clear();
  }
  return read;
}

}  // namespace

Completion WaitForCompletion(InstrumentLink& link, const char* query, int replySize, const CompletionLimit& limit) {
  if (replySize < 2) replySize = 2;
  std::vector<char> reply(static_cast<size_t>(replySize));
  const uint64_t start = SteadyMs();
  int silent = 0;
  for (int round = 0; round < limit.rounds; ++round) {
    if (SteadyMs() - start > static_cast<uint64_t>(limit.milliseconds)) break;
    SendCommand(query, &link);
    int length = ReadReply(reply.data(), replySize, &link);
    if (length <= 0) {
      if (++silent >= kNoReplyRounds) return Completion::NoReply;
      continue;
    }
    silent = 0;
    if (atoi(reply.data()) == 1) return Completion::Complete;
  }
  return Completion::LimitReached;
}

const char* ScanRefusal(int family) {
  if (family == 0) return "Scan Failed: Unable to determine instrument model";
  if (family != kFamilyZtq) return "Scan Failed: Incompatable Instrument";
  return nullptr;
}

ProgramListing ListPrograms(InstrumentLink& link) {
  ProgramListing listing;
  SendCommand("progra,files?\n", &link);
  SetReadTimeout(kListingReadMs, &link);
  char line[256];
  for (int count = 0; count < kMaxListingLines; ++count) {
    int length = ReadReply(line, sizeof line, &link);
    if (length <= 0 || line[0] == '\0') break;
    if (!AddProgramListingLine(listing, line)) break;
  }
  FinishProgramListing(listing);
  SetReadTimeout(kDefaultReadTimeoutMs, &link);
  return listing;
}

TransferResult DownloadProgram(InstrumentLink& link, int slot, const std::string& path, const CompletionLimit& limit) {
  TransferResult result;
  char command[64];
  snprintf(command, sizeof command, "progra,recall,%d\n", slot);
  SendCommand(command, &link);
  if (WaitForCompletion(link, "*OPC?\n", 32, limit) != Completion::Complete) {
    result.outcome = TransferOutcome::NotComplete;
    return result;
  }
  // The file is created before the query, so a file that cannot be created
  // leaves no transfer lines waiting on the link.
  FileCloser file{fopen(path.c_str(), "wb")};
  if (!file.file) {
    result.outcome = TransferOutcome::FileError;
    return result;
  }
  SendCommand("progra,qzlfil?\n", &link);
  SetReadTimeout(kTransferReadMs, &link);
  TransferRead read = ReadTransfer(link, file.file, true, 128, "");
  SetReadTimeout(kAfterTransferReadMs, &link);
  if (fclose(file.file) != 0) read.writeFailed = true;
  file.file = nullptr;
  result.lines = read.lines;
  if (read.lines == 0) {
    remove(path.c_str());
    result.outcome = TransferOutcome::NoLines;
  } else if (read.writeFailed) {
    result.keptPath = KeepPart(path);
    result.outcome = TransferOutcome::FileError;
  } else if (read.damaged || !StillAnswering(link, "*OPC?\n")) {
    // Whatever of the transfer is still on its way is not read as a reply later.
    Drain(&link, kTransferReadMs);
    result.keptPath = KeepPart(path);
    result.outcome = TransferOutcome::Cut;
  }
  return result;
}

TransferResult UploadProgram(InstrumentLink& link, int slot, const std::string& path) {
  TransferResult result;
  std::string bytes;
  {
    FileCloser file{fopen(path.c_str(), "rb")};
    if (!file.file) {
      result.outcome = TransferOutcome::FileError;
      return result;
    }
    // Only the first 16 blocks are ever sent.
    char buffer[kQzlBlockSize * kQzlMaxBlocks];
    size_t got = fread(buffer, 1, sizeof buffer, file.file);
    if (ferror(file.file)) {
      result.outcome = TransferOutcome::FileError;
      return result;
    }
    bytes.assign(buffer, got);
  }
  std::vector<std::string> lines = QzlUploadLines(bytes);
  if (lines.empty()) {
    // Storing nothing would wipe the slot.
    result.outcome = TransferOutcome::NoLines;
    return result;
  }
  SendCommand("\x14", &link);
  for (const std::string& line : lines) SendCommand(line.c_str(), &link);
  char command[64];
  snprintf(command, sizeof command, "PROGRA,QZLFIL;progra,store,%d\n", slot);
  SendCommand(command, &link);
  Drain(&link, kUploadDrainMs);
  result.lines = static_cast<int>(lines.size());
  return result;
}

void DeleteProgram(InstrumentLink& link, int slot) {
  char command[64];
  snprintf(command, sizeof command, "progra,delete,%d\n", slot);
  SendCommand(command, &link);
}

void LoadDefaultProgram(InstrumentLink& link) {
  SendCommand("progra,recall,0\n", &link);
}

const char* ProgramTransferMessage(const TransferResult& result, bool upload) {
  switch (result.outcome) {
    case TransferOutcome::Done:
      return nullptr;
    case TransferOutcome::NoLines:
      return upload ? "The file holds no complete 64-character block; nothing was sent" : "Unable to download program";
    case TransferOutcome::NotComplete:
      return "The instrument did not finish recalling the program; nothing was saved";
    case TransferOutcome::FileError:
      return upload ? "Unable to read the QZL file; nothing was sent" : "Unable to write the QZL file";
    case TransferOutcome::Cut:
      return "The program transfer broke off; what arrived was kept with the extension .part";
  }
  return nullptr;
}

bool IdentifyStoreInstrument(InstrumentLink& link) {
  if (link.family == kFamilyZtq) return true;
  if (link.family != 0 || !link.ConnectedFlag) return false;
  SendCommand("*IDN?\n", &link);
  char reply[128];
  if (ReadReply(reply, sizeof reply, &link) <= 0) return false;
  if (strncmp(reply, "QUARTZLINE,ZTQ", 14) == 0 || strncmp(reply, "Marbleway,", 10) == 0) {
    link.family = kFamilyZtq;
    return true;
  }
  return false;
}

void ScanResults(InstrumentLink& link, JobReporter& reporter, ResultListing& listing,
                 const std::function<void(const ResultEntry&)>& onEntry) {
  reporter.Status("Scanning for Results...");
  SendCommand("result,files?\n", &link);
  listing = ResultListing();
  char line[512];
  for (int count = 0; count < kMaxListingLines; ++count) {
    int length = ReadReply(line, sizeof line, &link);
    if (length <= 0) break;
    ListingStep step = AddResultListingLine(listing, line);
    if (step == ListingStep::End) break;
    if (step == ListingStep::Added && onEntry) onEntry(listing.entries.back());
  }
}

DownloadReport DownloadResults(InstrumentLink& link, const std::vector<ResultEntry>& queue, const std::string& folder,
                               ResultFileKind kind, JobReporter& reporter, const CompletionLimit& limit) {
  DownloadReport report;
  const bool qzl = kind == ResultFileKind::Qzl;
  reporter.Style(ProgressStyle::Counts);
  reporter.Total(static_cast<int>(queue.size()));
  char text[320];
  for (size_t k = 0; k < queue.size(); ++k) {
    const int n = static_cast<int>(k) + 1;
    const std::string id = std::to_string(queue[k].number);
    snprintf(text, sizeof text, "Loading result %d (id:%s) ...", n, id.c_str());
    reporter.Status(text);
    SendCommand(("result,recall," + id + "\n").c_str(), &link);
    SetReadTimeout(kAfterTransferReadMs, &link);
    if (WaitForCompletion(link, "*opc?\n", 128, limit) != Completion::Complete) {
      report.failure = "Result " + id + " did not finish loading on the instrument.";
      return report;
    }
    SetReadTimeout(kTransferReadMs, &link);
    SendCommand(qzl ? "result,qzlfil?\n" : "result,txtfil?\n", &link);
    snprintf(text, sizeof text, "Requesting result %d (id:%s) ...", n, id.c_str());
    reporter.Status(text);
    char first[256];
    int length = ReadReply(first, sizeof first, &link);
    if (length <= 0 || first[0] == '\0') {
      report.failure = "The instrument sent nothing for result " + id + ".";
      return report;
    }
    snprintf(text, sizeof text, "Downloading result %d (id:%s) ...", n, id.c_str());
    reporter.Status(text);
    const std::string name = ResultFileName(queue[k].number) + (qzl ? ".QZL" : ".txt");
    const std::string path = JoinPath(folder, name);
    FileCloser file{fopen(path.c_str(), qzl ? "wb" : "w")};
    if (!file.file) {
      Drain(&link, kTransferReadMs);
      report.failure = "Unable to create " + path + ".";
      return report;
    }
    TransferRead read = ReadTransfer(link, file.file, qzl, 256, first);
    if (fclose(file.file) != 0) read.writeFailed = true;
    file.file = nullptr;
    if (read.writeFailed || read.damaged || !StillAnswering(link, "*opc?\n")) {
      Drain(&link, kTransferReadMs);
      std::string kept = KeepPart(path);
      report.failure =
          (read.writeFailed ? "Writing " + path + " failed" : "The transfer of result " + id + " broke off") +
          (kept.empty() ? std::string(".") : "; what arrived is kept as " + kept + ".");
      return report;
    }
    report.written.push_back(name);
    reporter.Step(0);
  }
  report.complete = true;
  return report;
}

std::string DownloadFailureText(const DownloadReport& report) {
  std::string text = report.failure + "\n\n";
  if (report.written.empty()) return text + "No result files were written.";
  text += "Written before it stopped:";
  for (const std::string& name : report.written) text += "\n" + name;
  return text;
}

}  // namespace qb
