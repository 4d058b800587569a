#pragma once

// The importer's one way of talking to the credit reference agency: an XML document posted
// over HTTPS. Certificates are always verified; the exchange is bounded in time.

#include <QString>

namespace autovelt::inline state {
class CycleContext;
class UnitSession;
struct ApplicationState;
struct AgencyService;
}  // namespace autovelt::state

namespace autovelt::inline assessment {

// Posts the XML body to the URL with the agency's two headers and returns the body of the
// answer whatever its HTTP status. A failure to reach the agency, a body that is not
// well-formed XML (never posted) or an answer that is cut off gives
// "Error: <number> - <description> <Success>false</Success>" instead.
// True when the text is one well-formed XML document.
bool IsWellFormedXml(const QString& text);

// The text between `open` and the following `close` in an agency answer (to the end of the
// answer when there is no `close`); nothing when `open` is absent. Answers are read by the
// texts they hold, so one that is not even XML reads the same way.
QString TextBetween(const QString& text, const QString& open, const QString& close);

QString PostXml(const AgencyService& service, const QString& url, const QString& soapAction, const QString& xmlBody);

// A request of the application under way that has not been asked yet. The import pass
// never waits on the agency while it holds the core banking databases' write lock: instead
// of sending, AskAgency throws this; the pass undoes the application, commits its batch,
// sends the request (SendAwaitedAgencyRequest) with no transaction open, and runs the
// application again, which then reads the answer. It is no failure, so it derives from no
// exception class and no step's error handling takes it for one.
struct AgencyRequestAwaited {
    QString applicationKey;
    QString requestName;
    QString url;
    QString soapAction;
    QString body;
};

// The answer to the request for the current application, asked at most once: an answer
// the agency gave is kept the moment it arrives, so a run repeated after a crash reads it
// back instead of sending a second request (every credit search leaves a footprint on the
// applicant's file). `requestName` names the request within the application, for example
// "CallValidate 1234". A request not asked yet throws AgencyRequestAwaited. Outside the
// import pass (no application) the request is posted at once and nothing is kept. A
// failure to reach the agency is not kept: the next run asks again.
QString AskAgency(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                  const QString& requestName, const QString& url, const QString& soapAction, const QString& xmlBody);

// Sends an awaited request and keeps what it gave for the application's next run.
void SendAwaitedAgencyRequest(const CycleContext& cycle, UnitSession& session, const AgencyRequestAwaited& request);

}  // namespace autovelt::assessment
