#pragma once

// Requests whose answer an application needs at once (the agency's identity check and
// credit search) cannot wait for the commit like the outbox's effects, and must not be
// made twice: every credit search leaves a footprint on the applicant's credit file. The
// answer is kept here, outside the unit of work, the moment it arrives; a re-run of the
// same application after a crash takes the kept answer instead of asking again. Once the
// application has committed its answers are no longer needed and are forgotten, with the
// copies of its requests.
//
// One private folder per application, one file per request, both named by hashes, so no
// key or request text can reach outside the folder.

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <functional>
#include <optional>

namespace autovelt::inline state {

class RecordedResponses {
public:
    explicit RecordedResponses(QString folder) : folder_(std::move(folder)) {}

    std::optional<QByteArray> recall(const QString& applicationKey, const QString& request) const;
    void remember(const QString& applicationKey, const QString& request, const QByteArray& response);

    // Forgets the application's answers and removes the files kept with them.
    void forget(const QString& applicationKey);
    // Keeps a file written elsewhere for the application (a copy of a request, which holds
    // the applicant's personal data) until its answers are forgotten.
    void keepWithApplication(const QString& applicationKey, const QString& path);
    // The file is no longer removed with the application's answers (only by age).
    void releaseFromApplication(const QString& applicationKey, const QString& path);
    // Forgets every application whose answers are older than `cutoff`, committed or not:
    // personal data is never kept beyond the retention period.
    void forgetOlderThan(const QDateTime& cutoff);

    // What one attempt of a request gave: an answer from the far end (kept), or a failure,
    // for which the far end may or may not have acted unless the request never left.
    struct Attempt {
        QByteArray answer;
        bool arrived = true;
        bool neverSent = false;
    };

    // The kept answer, or the answer of `ask`, kept before it is returned. The attempt is
    // marked before `ask` runs; one a stopped run left without an answer is not made again:
    // `whenInterrupted` is returned instead.
    QByteArray askOnce(const QString& applicationKey, const QString& request, const std::function<Attempt()>& ask,
                       const QByteArray& whenInterrupted);
    // True once the request was asked for the application: its answer is kept, this run
    // asked it, or a stopped run left it on the wire. askOnce sends nothing then.
    bool asked(const QString& applicationKey, const QString& request) const;

    // The same for a request whose every answer arrives.
    QByteArray askOnce(const QString& applicationKey, const QString& request, const std::function<QByteArray()>& ask);

private:
    // A request is marked before it leaves, so a run stopped while it was on the wire is
    // known afterwards: the agency may have acted on it (a footprint on the applicant's
    // credit file) although no answer was kept.
    void markAttempt(const QString& applicationKey, const QString& request);
    void clearAttempt(const QString& applicationKey, const QString& request);
    bool attemptedWithoutAnswer(const QString& applicationKey, const QString& request) const;

    QString fileFor(const QString& applicationKey, const QString& request) const;
    QString attemptFileFor(const QString& applicationKey, const QString& request) const;
    void keep(const QString& path, const QString& applicationKey, const QByteArray& content);
    static void forgetFolder(const QString& applicationFolder);

    QString folder_;
    // What this run's requests gave when it was not kept (the agency could not be reached):
    // the application is run again once its request is answered, and reads it here.
    QHash<QString, QByteArray> answeredThisRun_;
};

}  // namespace autovelt::state
