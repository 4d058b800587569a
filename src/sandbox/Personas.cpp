#include "sandbox/Personas.h"

#include <QHash>

namespace autovelt::sandbox {

namespace {
QString key(const QString& surname) { return surname.trimmed().toLower(); }
}  // namespace

IdentityPersona identityPersonaFor(const QString& surname) {
    static const QHash<QString, IdentityPersona> personas = {
        {QStringLiteral("idfail"), IdentityPersona::Idfail},
        {QStringLiteral("bankclosed"), IdentityPersona::Bankclosed},
        {QStringLiteral("bankmismatch"), IdentityPersona::Bankmismatch},
        {QStringLiteral("bankinvalid"), IdentityPersona::Bankinvalid},
        {QStringLiteral("bankenhanced"), IdentityPersona::Bankenhanced},
        {QStringLiteral("thinfile"), IdentityPersona::Thinfile},
        {QStringLiteral("politic"), IdentityPersona::Politic},
        {QStringLiteral("sanctioned"), IdentityPersona::Sanctioned},
        {QStringLiteral("refused"), IdentityPersona::Refused},
        {QStringLiteral("fatal"), IdentityPersona::Fatal},
        {QStringLiteral("emptyanswer"), IdentityPersona::Emptyanswer},
        {QStringLiteral("garbled"), IdentityPersona::Garbled},
        {QStringLiteral("slowpoke"), IdentityPersona::Slowpoke},
    };
    return personas.value(key(surname), IdentityPersona::Pass);
}

CreditPersona creditPersonaFor(const QString& surname) {
    static const QHash<QString, CreditPersona> personas = {
        {QStringLiteral("judged"), CreditPersona::Judged},
        {QStringLiteral("defaulter"), CreditPersona::Defaulter},
        {QStringLiteral("searcher"), CreditPersona::Searcher},
        {QStringLiteral("fraudmark"), CreditPersona::Fraudmark},
        {QStringLiteral("insolvent"), CreditPersona::Insolvent},
        {QStringLiteral("homeowner"), CreditPersona::Homeowner},
        {QStringLiteral("noscore"), CreditPersona::Noscore},
        {QStringLiteral("unmatched"), CreditPersona::Unmatched},
        {QStringLiteral("faulted"), CreditPersona::Faulted},
        {QStringLiteral("errored"), CreditPersona::Errored},
        {QStringLiteral("emptyanswer"), CreditPersona::Emptyanswer},
        {QStringLiteral("garbled"), CreditPersona::Garbled},
        {QStringLiteral("slowpoke"), CreditPersona::Slowpoke},
    };
    return personas.value(key(surname), CreditPersona::Clean);
}

}  // namespace autovelt::sandbox
