#pragma once

// The operator tools run from the command line, for installations without a window.

#include <QString>

namespace autovelt::inline app {

// --search TEXT [DIR]: prints the files of DIR (default: the installation's log folders)
// that contain the text, most recently modified first, each with its modified time.
// 0 with matches, 1 without, 2 when the folder does not exist.
int RunSearchCommand(const QString& installationFolder, const QString& text, const QString& folder);

// --delete-member N [--yes]: shows the member's name and the rows each table holds; with
// `confirmed` removes them all in one unit, otherwise removes nothing.
int RunDeleteMemberCommand(const QString& installationFolder, long memberNumber, bool confirmed);

}  // namespace autovelt::app
