#pragma once
// What can be known of an entry before it runs: commands and triggers that can
// never work as written (problems), and waits that hold the window so long that
// they are hardly meant (warnings).
#include "launch/core/scriptentry.h"
#include "launch/core/scriptproblem.h"

#include <QList>

namespace launch {

class EntryCheck {
public:
    // A pause or tone longer than the minute timer's interval: the window answers
    // nothing meanwhile, and a time entry due then is passed over.
    static constexpr int longestQuietWait = 60000;

    // Adds the problems and warnings of a complete entry (three fields or more),
    // each with the entry's line number.
    static void check(const ScriptEntry &entry, QList<ScriptProblem> *problems,
                      QList<ScriptProblem> *warnings);

    // True when a time text ever matches the minute timer's "H:M" (hour 0 to 23,
    // minute 0 to 59, no leading zeros).
    static bool timeCanMatch(const QString &timeText);
};

}  // namespace launch
