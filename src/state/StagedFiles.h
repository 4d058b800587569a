#pragma once

// Files an application writes under a member number (the agency's answers, the
// application details file) must appear only when the application commits: an undone
// application's member number is given to the next applicant, who must never find
// another person's files in their folders. Such a file is written first to the staging
// folder of the installation, under the application's identity, and a "file" effect is
// recorded in the outbox inside the unit of work. After the commit the effect moves the
// file into the member's folder; an undone application's staged files are removed.
//
// Moving a staged file is safe to repeat: a move cut off by a crash is finished by the next
// run, and a move that already happened is recognised by the staged file being gone and the
// filed one being there.

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>

namespace autovelt::inline state {

inline const QString kFileEffect = QStringLiteral("file");

struct StagedFile {
    // What a name already taken in the member's folder means for the new file.
    enum class OnClash {
        MoveEarlierAside,  // the new file takes the name; the earlier one is kept as "<stem>_<n>"
        NumberTheNewOne,   // the earlier file keeps the name; the new one becomes "<stem>_<n>"
    };
    QString staged;    // the staged file
    QString root;      // the scanned images folder (or the program's "web" folder), never created here
    QString kind;      // the kind folder under the root
    long member = 0;
    QString name;      // the file's name in the member's folder
    OnClash onClash = OnClash::MoveEarlierAside;

    // The member's folder of the kind, ending in "/".
    QString folderPath() const;
    // Where the file is filed, unless its name is taken and the new one is numbered.
    QString filedPath() const { return folderPath() + name; }
};

QString EncodeStagedFile(const StagedFile& file);
StagedFile DecodeStagedFile(const QString& payload);

class StagedFiles {
public:
    explicit StagedFiles(QString folder) : folder_(std::move(folder)) {}

    // Writes the content as a private file of the staging folder, named for the application;
    // returns its path. A failure to write is one of the surroundings (a full disk) and is raised.
    QString stage(const QString& applicationKey, const QString& name, const QByteArray& content);
    // An undone application's files.
    void discard(const QString& applicationKey);
    // Removes the staged files of every application but those named (their files wait for a
    // move), and returns how many were removed.
    int removeAllExcept(const QStringList& applicationKeys);
    // The files waiting in the staging folder.
    QStringList files() const;

private:
    QString prefixOf(const QString& applicationKey) const;

    QString folder_;
};

// Moves a staged file into the member's folder, creating the member's folders below the
// root but never the root itself. True when the file is filed; false with the reason when
// it must wait (the root cannot be reached, a move failed).
bool FileStagedFile(const StagedFile& file, QString* reason);

}  // namespace autovelt::state
