// The exchanges with the instrument's program and result stores over the
// instrument link: listing the program slots, saving a slot to a QZL file,
// uploading a QZL file into a slot, deleting and loading the default, the
// results scan and the text and QZL result downloads. The Programs dialog
// calls these on its own thread; the results scan and downloads are long jobs
// that report through a JobReporter. Every loop over replies is bounded.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/job_reporter.h"
#include "link/instrument_link.h"
#include "stores/store_format.h"

namespace qb {

constexpr int kFamilyZtq = 8;

// The "*OPC?" wait gives up after this many rounds or this long, whichever
// comes first.
struct CompletionLimit {
  int rounds = 60;
  int milliseconds = 30000;
};

enum class Completion { Complete, NoReply, LimitReached };

// Sends query and reads one line (of at most replySize - 1 characters) until
// its integer value is 1, within limit. NoReply when the instrument stopped
// answering altogether (three reads in a row delivered no line).
Completion WaitForCompletion(InstrumentLink& link, const char* query, int replySize, const CompletionLimit& limit);

// Why a store scan is refused for the link's family, or null when it may run.
const char* ScanRefusal(int family);

// Lists the program slots ("progra,files?"); always 999 rows when the family
// is ZTQ.
ProgramListing ListPrograms(InstrumentLink& link);

enum class TransferOutcome {
  Done,
  NoLines,      // the instrument sent no transfer line; no file is left
  NotComplete,  // the recall never completed; nothing was written
  FileError,    // the file could not be created, written or read
  Cut,          // the transfer broke off; what came is kept as name.part
};

struct TransferResult {
  TransferOutcome outcome = TransferOutcome::Done;
  int lines = 0;         // transfer lines received or sent
  std::string keptPath;  // where a cut transfer's bytes were kept, or ""
};

// Saves a program slot to path: recall, wait for completion, "progra,qzlfil?".
TransferResult DownloadProgram(InstrumentLink& link, int slot, const std::string& path,
                               const CompletionLimit& limit = CompletionLimit());
// Sends a QZL file into a slot. A file that cannot be read sends nothing.
TransferResult UploadProgram(InstrumentLink& link, int slot, const std::string& path);
void DeleteProgram(InstrumentLink& link, int slot);
void LoadDefaultProgram(InstrumentLink& link);
// The message the Programs dialog shows for a transfer, or null for none.
const char* ProgramTransferMessage(const TransferResult& result, bool upload);

// For an instrument of unknown family: asks "*IDN?" and sets the family to
// ZTQ when the reply names one. True when the link's family is now ZTQ.
bool IdentifyStoreInstrument(InstrumentLink& link);

// The results scan: "result,files?" into listing. onEntry sees each entry as
// it is listed (the dialog adds its row then).
void ScanResults(InstrumentLink& link, JobReporter& reporter, ResultListing& listing,
                 const std::function<void(const ResultEntry&)>& onEntry = nullptr);

enum class ResultFileKind { Text, Qzl };

struct DownloadReport {
  std::vector<std::string> written;  // file names, in queue order
  bool complete = false;             // every queued result was written
  std::string failure;               // why it stopped, when not complete
};

// Downloads every queued result into folder as ZTQ_R%03d.txt or .QZL.
DownloadReport DownloadResults(InstrumentLink& link, const std::vector<ResultEntry>& queue, const std::string& folder,
                               ResultFileKind kind, JobReporter& reporter,
                               const CompletionLimit& limit = CompletionLimit());
// The text shown after a download that did not complete.
std::string DownloadFailureText(const DownloadReport& report);

}  // namespace qb
