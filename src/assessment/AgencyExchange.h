#pragma once

// The importer's one way of talking to the credit reference agency: an XML document posted
// over HTTPS. Certificates are always verified; the exchange is bounded in time.

#include <QString>

namespace autovelt {

class Importer;
struct AgencyService;

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

// PostXml for the current application, asked at most once: an answer the agency gave is
// kept the moment it arrives, so a run repeated after a crash reads it back instead of
// sending a second request (every credit search leaves a footprint on the applicant's
// file). `requestName` names the request within the application, for example
// "CallValidate 1234". Outside the import pass nothing is kept. A failure to reach the agency is not kept: the next run asks again.
QString AskAgency(Importer& importer, const QString& requestName, const QString& url, const QString& soapAction,
                  const QString& xmlBody);

}  // namespace autovelt
