#pragma once
// Lists of input names: one name a line, or each ended by a NUL byte as
// find -print0 writes them, read as the system's bytes so that a name that
// is not UTF-8 still names its file.

#include "batch/options.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace batch {

struct ListedName {
  QString name;        // empty for an empty line
  qsizetype line = 0;  // from 1
};

// The names in the bytes of a list, in their order; the separator after the
// last name may be left out. Linear in the size of the list.
std::vector<ListedName> SplitList(const QByteArray& bytes, bool nulSeparated);

// The names of the list at path ("-": standard input). A list that is
// missing, a folder or cannot be read throws UsageError.
std::vector<ListedName> ReadList(const InputList& list);

// The list as the user named it, for messages.
QString ListName(const InputList& list);

}  // namespace batch
