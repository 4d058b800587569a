#include "state/Importer.h"

#include "common/Values.h"

namespace autovelt::inline state {

Importer::Importer(QString programFolder, Reporter& reporter, Clock& clock, MailTransport* mailTransport)
    : CycleContext(std::move(programFolder), clock, mailTransport),
      UnitSession(static_cast<const CycleContext&>(*this), reporter) {}

void Importer::LoadInstallation() {
    config = InstallationConfig::load(programFolder());
    startup = ReadStartupSettings(programFolder());
    SetPassDateToToday();
    txtTeller = QStringLiteral("VELT");
}

void Importer::SetPassDateToToday() { PassDate = formatDate(clock().now(), QStringLiteral("dd/mm/yy")); }

}  // namespace autovelt::state
