#pragma once
// A file layer for SQLite, registered as its default, through which the settings store's
// writes fail on request as a full disk, a failing disk or a read-only file would make them
// fail. The product carries no fault switch: the tests reach its error paths through this.

namespace faulty_store {

enum class Fault { Full, IoError, ReadOnly };
// Where a doomed write transaction fails: its first write or its first sync (both the
// journal's, so the store file itself is never touched), or its first write to the store
// file, after the journal was made safe (SQLite then rolls back from the journal, at the
// latest when the store is next opened).
enum class Step { Write, Sync, StoreWrite };

// The next `commits` write transactions go through; every one after fails at `step` with
// `fault`, until Reset(). ReadOnly opens the store read-only at once (`commits` and `step`
// do not count for it).
void FailAfter(int commits, Fault fault = Fault::Full, Step step = Step::Write);
void Reset();
// Write transactions that were failed since the last FailAfter.
int FailedTransactions();

// Every way a write transaction can fail here, for tests that try each in turn.
struct Way {
    Fault fault;
    Step step;
};
inline constexpr Way kEveryWay[] = {
    {Fault::Full, Step::Write},      {Fault::IoError, Step::Write},
    {Fault::Full, Step::Sync},       {Fault::IoError, Step::Sync},
    {Fault::Full, Step::StoreWrite}, {Fault::IoError, Step::StoreWrite},
    {Fault::ReadOnly, Step::Write}};

}  // namespace faulty_store
