// All-or-nothing changes: Insert, Update and Delete keep what they
// overwrite, and a change that fails puts it back (see Table::Change).
#include <algorithm>
#include <cstring>

#include "table/table.h"

namespace orvex {

Table::Change::Change(Table* t) : t_(t), outer_(t->changeDepth_ == 0) {
  if (outer_) t_->BeginChange();
  ++t_->changeDepth_;
}

Table::Change::~Change() {
  if (!done_ && outer_) {
    t_->RollBack();
    // A change fails for a reason: when no step said which, it met a
    // block that is not what the file's structure says it is.
    if (t_->errorsSet_ == t_->changeErrors_) t_->SetError(err::kDamaged);
  }
  if (!done_) --t_->changeDepth_;
}

bool Table::Change::Commit() {
  if (outer_ && !t_->HeaderStateSound()) {
    // A step left a count, root or free-list head that no sound file has
    // (a damaged block's link taken for a real one): the header would be
    // refused at open, so nothing of the change is kept.
    t_->SetError(err::kDamaged);
    return false;  // the destructor rolls back
  }
  done_ = true;
  --t_->changeDepth_;
  if (outer_) {
    t_->kept_.clear();
    t_->keptUsed_ = 0;
  }
  return true;
}

bool Table::HeaderStateSound() {
  // The roots, leaves and free-list heads were sound when the change began
  // and change seldom; the count changes every time.
  const int64_t count = hdr_.recordCount();
  const int64_t smallest = schema_.smallestBlock;
  const bool countFits = count >= 0 && (smallest > 0 ? count <= (FileEnd() - kHeaderSize) / smallest : count == 0);
  if (countFits && std::memcmp(keptHeader_, hdr_.bytes() + kOffHeaderState, kHeaderStateSize) == 0) return true;
  return ValidateHeaderState(hdr_, FileEnd(), smallest) == nullptr;
}

void Table::BeginChange() {
  changeEnd_ = FileEnd();
  changeErrors_ = errorsSet_;
  kept_.clear();
  keptUsed_ = 0;
  std::memcpy(keptHeader_, hdr_.bytes() + kOffHeaderState, kHeaderStateSize);
  keptRecordCount_ = hdr_.recordCount();
  keptDirty_ = dirty_;
  std::copy(pos_, pos_ + schema_.keys, keptPos_);
  keptCurKey_ = curKey_;
  keptCurAt_ = curAt_;
  keptLoadPending_ = loadPending_;
}

uint8_t* Table::KeepRoom(int64_t offset, int n) {
  if (keptUsed_ + static_cast<size_t>(n) > keptBytes_.size()) {
    keptBytes_.resize(std::max<size_t>(keptUsed_ + static_cast<size_t>(n), 2 * keptBytes_.size()));
  }
  kept_.push_back(KeptSpan{offset, keptUsed_, n});
  uint8_t* at = keptBytes_.data() + keptUsed_;
  keptUsed_ += static_cast<size_t>(n);
  return at;
}

void Table::KeepBytes(int64_t offset, const uint8_t* now, int n) {
  if (offset >= changeEnd_ || n <= 0) return;
  if (offset + n > changeEnd_) n = static_cast<int>(changeEnd_ - offset);
  std::memcpy(KeepRoom(offset, n), now, static_cast<size_t>(n));
}

bool Table::KeepBytes(int64_t offset, int n) {
  if (offset >= changeEnd_ || n <= 0) return true;
  if (offset + n > changeEnd_) n = static_cast<int>(changeEnd_ - offset);
  if (file_->Read(offset, KeepRoom(offset, n), static_cast<size_t>(n)) == n) return true;
  kept_.pop_back();
  keptUsed_ -= static_cast<size_t>(n);
  return false;
}

void Table::RollBack() {
  // Latest first, so that bytes written twice get their first contents.
  for (size_t i = kept_.size(); i-- > 0;) {
    const KeptSpan& s = kept_[i];
    file_->Write(s.offset, keptBytes_.data() + s.at, static_cast<size_t>(s.n));
  }
  kept_.clear();
  keptUsed_ = 0;
  std::memcpy(hdr_.bytes() + kOffHeaderState, keptHeader_, kHeaderStateSize);
  hdr_.setRecordCount(keptRecordCount_);
  dirty_ = keptDirty_;
  std::copy(keptPos_, keptPos_ + schema_.keys, pos_);
  curKey_ = keptCurKey_;
  curAt_ = keptCurAt_;
  loadPending_ = keptLoadPending_;
  // Nodes read during the change may hold bytes that were put back.
  workKey_ = -1;
  aheadCount_ = 0;
}

}  // namespace orvex
