#pragma once

#include "base/Marketplace.h"
#include "run/WrittenItemSet.h"

#include <QString>

#include <optional>

// Whether a resumed run may pass over the items its written-item list names: only a list that
// reads whole and names as many items as the output file holds rows. Anything else would write
// items twice or lose them, so the run is not resumed.
namespace ResumeCheck {

enum class Verdict {
    Trusted,
    ListMissing,  // the output holds rows, and no list says which
    ListDamaged,  // the list's check fails, or it is no list at all
    CountsDiffer, // the list names more or fewer items than the output holds
};

// rows: the item rows of the output file.
Verdict judge(WrittenItemSet::Condition condition, int keys, int rows);

// The output file's item rows as the converter reads them (a header line repeated by an earlier
// version is no row); nothing when the file is not one this program writes in format, or holds a
// record it cannot read. A missing or empty file holds none.
std::optional<int> countItemRows(const QString& outputPath, FileFormat format);

// Loads items from its file and judges it against the output file. A file whose rows cannot be
// counted is left to the check that refuses an output of another kind: Trusted here.
Verdict check(WrittenItemSet& items, const QString& outputPath, FileFormat format);

} // namespace ResumeCheck
