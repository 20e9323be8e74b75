// Keeping the rollback journal of one database file (its format and the
// rules it keeps are in format/journal.h): which pages of the transaction
// are saved, the records waiting to be written, and the playback that puts
// the last commit back.
#ifndef ORVEX_IO_JOURNAL_H_
#define ORVEX_IO_JOURNAL_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "format/journal.h"
#include "io/file.h"

namespace orvex {

class Journal {
 public:
  Journal(FileSystem* fs, std::string path) : fs_(fs), path_(std::move(path)) {}
  Journal(const Journal&) = delete;
  Journal& operator=(const Journal&) = delete;

  const std::string& path() const { return path_; }
  // A transaction has begun: its header is written or queued.
  bool active() const { return active_; }
  // Whether page (a 4096-byte page number) is saved in this transaction.
  bool Saved(int64_t page) const {
    return page >= 0 && static_cast<size_t>(page / 64) < saved_.size() &&
           (saved_[static_cast<size_t>(page / 64)] >> (page % 64) & 1) != 0;
  }
  // Something is queued or written but not yet durable.
  bool pending() const { return unsynced_; }

  // Begins a transaction on a database whose size at the last commit is
  // dbSize (above 0): a fresh salt, the header queued.
  bool Begin(int64_t dbSize);
  // Saves page of db as db holds it now, which must be as the last commit
  // left it. Queued; written by Sync (or sooner, when the queue is full).
  bool Save(File* db, int64_t page);
  // Writes what is queued and makes the journal durable.
  bool Sync();
  // Ends the transaction after its commit: the header is zeroed and that is
  // made durable. Until it is, the journal would still restore the commit
  // before.
  bool End();
  // Undoes the transaction on db: the header made sound and durable again
  // (an End may have zeroed it), every saved page copied back, db cut to its
  // size at the last commit and synced, and the transaction ended.
  bool Restore(File* db);
  // Closes and removes the journal file; only between transactions.
  bool Remove();
  // The failure code of the last failed step.
  int LastError() const { return error_; }

 private:
  bool OpenFile();
  bool WriteQueued();
  bool Fail(File* f);

  FileSystem* fs_;
  std::string path_;
  std::unique_ptr<File> file_;
  bool active_ = false;
  bool unsynced_ = false;
  JournalHeader header_;
  std::vector<uint64_t> saved_;     // one bit per page below the committed size
  std::vector<uint8_t> queue_;      // bytes for the file from queueAt_ on
  int64_t queueAt_ = 0;
  std::vector<int64_t> queuedPages_;
  uint64_t transactions_ = 0;
  int error_ = 0;
};

// Whether a journal at path holds a transaction to play back.
bool JournalIsHot(FileSystem* fs, const std::string& path);

// Plays the journal at path back onto db (opened for writing), syncs db and
// removes the journal. A journal without a sound header is only removed.
// *restored gets the number of pages copied back. False on a failed read,
// write or sync, with *error set; the journal is then left in place.
bool PlayBackJournal(FileSystem* fs, const std::string& path, File* db, int64_t* restored, int* error);

}  // namespace orvex

#endif  // ORVEX_IO_JOURNAL_H_
