#pragma once

#include <QString>

namespace autovelt::inline common {

// Agency responses, application details and uploaded documents are filed per member under
// the scanned images folder: the folder kind, then the member number written with eight
// digits and cut into four two-digit levels (member 1234, kind "LOANS" gives
// LOANS/00/00/12/34/). A longer number is taken from its first eight digits.

// The four two-digit levels of a member number.
struct MemberFolderLevels {
    QString pair[4];
};
MemberFolderLevels MemberFolderLevelsOf(long memberNumber);

// The kind folder as it exists under the scanned images folder: the store was made on a
// file system that ignores case, so an existing "Loans" serves for "LOANS" too.
QString KindFolderName(const QString& scanLocation, const QString& kind);

// scanLocation + kind + the four levels, ending in "/".
QString MemberFolderPath(const QString& scanLocation, const QString& kind, long memberNumber);

// Creates f1, f1/f2, ... f1/f2/f3/f4/f5 (each private), one level at a time; an existing
// folder is no failure. The folder f1 is made in must exist already: a store whose drive is
// gone is never made again on the local disk. A symbolic link at any of them is never
// followed: the folder is refused (false). True when the deepest folder exists afterwards.
bool MakeFolder(const QString& f1, const QString& f2, const QString& f3, const QString& f4, const QString& f5);

// Makes the member's folders below an existing scanned images folder (see MemberFolderPath);
// true when the member's folder exists afterwards.
bool MakeMemberFolder(const QString& scanLocation, const QString& kind, long memberNumber);

// A name from outside (a website upload's title or file name) made fit to be one file or
// folder name: path separators, drive colons, control characters and the characters no
// file name may hold become "_", leading dots and blanks are dropped, and it is cut to
// 100 characters. An empty result becomes `fallback`.
QString CleanFileNamePart(const QString& name, const QString& fallback = QStringLiteral("document"));

}  // namespace autovelt::common
