#include "import/Addresses.h"

#include "state/ApplicationState.h"
#include "state/CycleContext.h"
#include "state/UnitSession.h"
#include "common/SqlQuote.h"
#include "common/Values.h"
#include "comms/AuditTrail.h"
#include "import/HeldHomeAddress.h"
#include "platform/db/Connection.h"

#include <exception>

namespace autovelt::inline import {

namespace {

const QString kHome = QStringLiteral("HOME");

QString number(long value) { return QString::number(value); }

void warn(UnitSession& session, const ApplicationState& app, const QString& text) {
    session.ShowException(text + app.messageSuffix);
}

// Called inside a handler. A lost or locked database goes on to the pass, which undoes the
// application (the home rows deleted with it) and leaves it pending.
void reportFailure(UnitSession& session, const ApplicationState& app, const QString& routine,
                   const std::exception& error) {
    const auto* velt = dynamic_cast<const VeltError*>(&error);
    if (velt && velt->environmental()) throw;
    const QString description = velt ? velt->description() : QString::fromUtf8(error.what());
    warn(session, app,
         QStringLiteral("Error in ") + routine + QStringLiteral(" routine (") + number(velt ? velt->number() : 0) +
             QLatin1Char(')'));
    warn(session, app, description);
}

QString memberAddressQuery(long memberNumber, const QString& type) {
    return QStringLiteral("SELECT * FROM MemberAddress WHERE MemberNo=") + number(memberNumber) +
           QStringLiteral(" AND AddressType='") + sqlTextBody(type) + QStringLiteral("' ;");
}

AddressRow loadRow(const CycleContext& cycle, const StoredAddressRow& stored) {
    return LoadAddressRow(stored, cycle.settings.MixedCase, cycle.config.codeTables);
}

// The rows the pass read, or its read's error raised where the read used to fail.
const QList<StoredAddressRow>& rowsOf(const ApplicationAddresses& addresses) {
    if (addresses.readError) throw *addresses.readError;
    return addresses.rows;
}

// Text columns get an empty text, never Null, for a value the application leaves empty.
void setText(db::Recordset& row, const QString& column, const QString& value) {
    row.setValue(column, value.isNull() ? QStringLiteral("") : value);
}

QString squashed(const QString& text) { return QString(text).remove(QLatin1Char(' ')).toUpper(); }

// A sort code or account number as a bank reads it: "40-11-22" is "401122".
QString bankCode(const QString& text) {
    QString code;
    for (const QChar c : text)
        if (c.isLetterOrNumber()) code += c.toUpper();
    return code;
}

// One run of the address import for the current application.
class AddressImport {
public:
    AddressImport(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                  const MemberMatch& match, const ApplicationAddresses& addresses, const ImportedAddresses& preloaded)
        : cycle_(cycle),
          session_(session),
          app_(app),
          addresses_(addresses),
          main_(session.connections.TarvMain),
          member_(app.memberNumber),
          unconfirmedMatch_(match.unconfirmed) {
        found_.homeSlots = preloaded.homeSlots;
        found_.workSlots = preloaded.workSlots;
    }

    void run();
    void restoreDeletedHomeRows();
    // What the import found; the application's own e-mail when no HOME row gave one, also
    // for an application whose addresses stopped early.
    ImportedAddresses found() const {
        ImportedAddresses found = found_;
        if (found.applicantEmail.isEmpty()) found.applicantEmail = app_.field[tw::Email];
        return found;
    }

private:
    bool isNewMember() const { return app_.newMemberNumber > 0; }
    QString memberText() const { return number(member_); }
    void stamp(db::Recordset& address);

    void moveStoredHomeAside();
    void importRow(const AddressRow& row);
    db::Recordset openOrAddAddress(const QString& type);
    void importBank(const AddressRow& row, db::Recordset& address);
    void shareApplicantsHome(const AddressRow& row, db::Recordset& address);
    bool linkToMember(const AddressRow& row, db::Recordset& address, long linked);
    void writeAddress(const AddressRow& row, db::Recordset& address);
    void writePafColumns(const AddressRow& row, db::Recordset& address);
    void writeContactColumns(const AddressRow& row, db::Recordset& address);
    void auditHomeAddress(const AddressRow& row, db::Recordset& address);
    void recordHomeAddressChange(db::Recordset& address);
    void putStoredHomeBack(db::Recordset& address);
    void writeWithoutAddress(const AddressRow& row, db::Recordset& address);
    void ensureHomeRow();
    void warnOfSharedBankDetails();
    void raiseAnomalyOnUnconfirmedChange();

    const CycleContext& cycle_;
    UnitSession& session_;
    const ApplicationState& app_;
    const ApplicationAddresses& addresses_;
    db::Connection& main_;
    long member_;
    const bool unconfirmedMatch_;
    HeldHomeAddress held_;
    bool homeRowsDeleted_ = false;
    bool homeRowWritten_ = false;
    bool bankDetailsChanged_ = false;
    ImportedAddresses found_;
};

void AddressImport::stamp(db::Recordset& address) {
    address.setValue(QStringLiteral("LastUpdatedOn"), cycle_.passDate());
    setText(address, QStringLiteral("LastUpdatedBy"), cycle_.txtTeller);
}

void AddressImport::run() {
    const QList<StoredAddressRow>& rows = rowsOf(addresses_);
    if (rows.isEmpty()) {
        warn(session_, app_, QStringLiteral("Member ") + memberText() + QStringLiteral(" - no addresses supplied!"));
        return;
    }
    if (!isNewMember()) moveStoredHomeAside();
    for (const StoredAddressRow& stored : rows) importRow(loadRow(cycle_, stored));
    ensureHomeRow();
    if (isNewMember()) warnOfSharedBankDetails();
    else raiseAnomalyOnUnconfirmedChange();
}

// Whoever knows a member's name, birth date or number could otherwise send the member's
// next loan to an account of their own: the loan's payout waits for staff instead.
void AddressImport::raiseAnomalyOnUnconfirmedChange() {
    if (!unconfirmedMatch_ || (!bankDetailsChanged_ && !found_.homeAddressChanged)) return;
    found_.bankDetailAnomaly = true;
    const QString changed = bankDetailsChanged_ && found_.homeAddressChanged ? QStringLiteral("bank details and home address")
                            : bankDetailsChanged_                          ? QStringLiteral("bank details")
                                                                           : QStringLiteral("home address");
    warn(session_, app_,
         QStringLiteral("Member ") + memberText() + QStringLiteral(" matched without NINO or email but supplied new ") +
             changed + QStringLiteral(" - bank detail anomaly, review any loan payout."));
    if (bankDetailsChanged_)
        main_.execute(QStringLiteral("UPDATE MemberAddress SET YesNo=False WHERE AddressType='BANK1' AND MemberNo=") +
                      memberText() + QStringLiteral(" ;"));
}

// An existing member's home rows make room for the application's; the diary keeps a
// copy for staff and the held rows let a failed import put them back.
void AddressImport::moveStoredHomeAside() {
    db::Recordset home = main_.openRecordset(memberAddressQuery(member_, kHome), db::readOnlyCursor());
    if (home.eof()) {
        warn(session_, app_,
             QStringLiteral("Member ") + memberText() +
                 QStringLiteral(" - no stored home address found for existing member."));
        return;
    }
    int i = 0;
    for (const char* column : {"Line1", "Line2", "Line3", "Line4", "Postcode"})
        found_.storedHome[i++] = home.text(QLatin1String(column));
    held_.read(session_, member_);
    RecordAddressSnapshot(cycle_, session_, app_, member_);
    main_.execute(QStringLiteral("DELETE * FROM MemberAddress WHERE Memberno=") + memberText() +
                  QStringLiteral(" AND AddressType LIKE 'HOME%' ;"));
    homeRowsDeleted_ = true;
}

void AddressImport::restoreDeletedHomeRows() {
    if (!homeRowsDeleted_) return;
    try {
        if (held_.restoreMissing(session_, member_) > 0)
            warn(session_, app_,
                 QStringLiteral("Member ") + memberText() +
                     QStringLiteral(" - previously held home address restored after the address import failed."));
    } catch (const std::exception& error) {
        reportFailure(session_, app_, QStringLiteral("home address restore"), error);
    }
}

db::Recordset AddressImport::openOrAddAddress(const QString& type) {
    db::Recordset address = main_.openRecordset(memberAddressQuery(member_, type), db::keysetCursor());
    if (!address.eof()) return address;
    address.addNew();
    address.setValue(QStringLiteral("MemberNo"), QVariant::fromValue<qlonglong>(member_));
    setText(address, QStringLiteral("AddressType"), type);
    address.setValue(QStringLiteral("YesNo"), false);
    stamp(address);
    if (type.startsWith(QLatin1String("BANK"))) {
        QString holder = (app_.field[tw::Title] + QLatin1Char(' ') + app_.field[tw::Forename] + QLatin1Char(' ') +
                          app_.field[tw::Surname])
                             .trimmed();
        setText(address, QStringLiteral("PhoneNumber"), holder.left(50).remove(QLatin1Char('\'')));
        address.setValue(QStringLiteral("YesNo"), !cycle_.settings.profile.newBankRowsNotPreferred);
    }
    return address;
}

void AddressImport::importRow(const AddressRow& row) {
    const QString& type = row.type();
    if (type.contains(QLatin1String("HOMEPREV"))) found_.homePrevSupplied = true;
    if (type == kHome) found_.applicantEmail = row[ad::Email];
    db::Recordset address = openOrAddAddress(type);
    const long linked = LinkedMemberNumber(row);
    const bool bene = type.startsWith(QLatin1String("BENE"));
    if (type.startsWith(QLatin1String("BANK"))) {
        importBank(row, address);
    } else if (bene && row.isNokSame()) {
        shareApplicantsHome(row, address);
    } else {
        const bool livesWithMember = type.startsWith(kHome) && row.isNokSame();
        const bool linksToMember = linked != 0 && (bene || livesWithMember);
        if (!linksToMember || !linkToMember(row, address, linked)) {
            if (row.hasNoAddress()) writeWithoutAddress(row, address);
            else writeAddress(row, address);
        }
    }
    address.update();
    if (type == kHome) homeRowWritten_ = true;
}

void AddressImport::importBank(const AddressRow& row, db::Recordset& address) {
    found_.sortCode = row[ad::SortCode];
    found_.accountNumber = row[ad::Account];
    const bool supplied = !bankCode(found_.sortCode).isEmpty() || !bankCode(found_.accountNumber).isEmpty();
    if (supplied && (bankCode(address.text(QStringLiteral("Code1"))) != bankCode(found_.sortCode) ||
                     bankCode(address.text(QStringLiteral("Code2"))) != bankCode(found_.accountNumber)))
        bankDetailsChanged_ = true;
    if (isNewMember())
        warn(session_, app_,
             QStringLiteral("Member ") + memberText() + QStringLiteral(" joining supplied Sortcode:") + found_.sortCode +
                 QStringLiteral("  Account:") + found_.accountNumber +
                 QStringLiteral(" - remember to verify these details."));
    if (cycle_.settings.profile.bankCodesNotStored) return;
    setText(address, QStringLiteral("Code1"), row[ad::SortCode]);
    setText(address, QStringLiteral("Code2"), row[ad::Account]);
    setText(address, QStringLiteral("Code3"), row[ad::ThirdCode]);
    if (!row[ad::SortCode].isEmpty()) FillBankFromSortCode(session_, address, row[ad::SortCode]);
    stamp(address);
}

// A next of kin or beneficiary living with the applicant: the applicant's home lines, the
// person's name on Line4 (from the member it links to, when it does).
void AddressImport::shareApplicantsHome(const AddressRow& row, db::Recordset& address) {
    db::Recordset home = main_.openRecordset(memberAddressQuery(member_, kHome), db::readOnlyCursor());
    if (!home.eof())
        for (const char* column : {"Line1", "Line2", "Line3", "Postcode"})
            setText(address, QLatin1String(column), home.text(QLatin1String(column)));
    if (!row[ad::County].isEmpty()) setText(address, QStringLiteral("Line4"), row[ad::County]);
    if (!row[ad::Line5].isEmpty()) setText(address, QStringLiteral("Line5"), row[ad::Line5]);
    const long linked = LinkedMemberNumber(row);
    if (linked > 0) {
        setText(address, QStringLiteral("Code3"), number(linked));
        db::Recordset person = main_.openRecordset(
            QStringLiteral("SELECT Forename, Surname FROM MemberMain WHERE MemberNo=") + number(linked) +
            QStringLiteral(" ;"),
            db::readOnlyCursor());
        if (!person.eof())
            setText(address, QStringLiteral("Line4"),
                             (person.text(QStringLiteral("Forename")) + QLatin1Char(' ') + person.text(QStringLiteral("Surname"))).left(50));
    }
    stamp(address);
}

// A beneficiary who is a member, or an applicant living with a member: the lines come
// from that member's home row. False (after a warning) when there is no such member.
bool AddressImport::linkToMember(const AddressRow& row, db::Recordset& address, long linked) {
    db::Recordset other = main_.openRecordset(
        QStringLiteral("SELECT MemberMain.Forename, MemberMain.Surname, MemberMain.MemberStatus, MemberAddress.* "
                       "FROM MemberMain INNER JOIN MemberAddress ON MemberMain.MemberNo=MemberAddress.MemberNo "
                       "WHERE (MemberMain.Memberno=") +
        number(linked) + QStringLiteral(") AND (MemberAddress.AddressType='HOME') ;"),
        db::readOnlyCursor());
    const QString prefix = QStringLiteral("Member ") + memberText() + QStringLiteral(" joining based on linkage to member ") +
                           number(linked);
    if (other.eof()) {
        warn(session_, app_, prefix + QStringLiteral(" but their record does not exist."));
        return false;
    }
    for (const char* column : {"Line1", "Line2", "Line3", "Postcode"})
        setText(address, QLatin1String(column), other.text(QLatin1String(column)));
    if (row.type().startsWith(QLatin1String("BENE"))) {
        setText(address, QStringLiteral("Code3"), number(linked));
        setText(address, QStringLiteral("Line4"),
                         (other.text(QStringLiteral("Forename")) + QLatin1Char(' ') + other.text(QStringLiteral("Surname"))).left(50));
        if (!row[ad::Line5].isEmpty()) setText(address, QStringLiteral("Line5"), row[ad::Line5]);
        stamp(address);
        return true;
    }
    setText(address, QStringLiteral("Line4"), other.text(QStringLiteral("Line4")));
    setText(address, QStringLiteral("Line5"), other.text(QStringLiteral("Line5")));
    stamp(address);
    if (other.text(QStringLiteral("Surname")).toUpper() != app_.field[tw::Surname].toUpper())
        warn(session_, app_, prefix + QStringLiteral(" do not share same surname - verify details."));
    const QString status = other.text(QStringLiteral("MemberStatus")).toUpper();
    static const QStringList kBarred = QStringLiteral("B D G J L Z").split(QLatin1Char(' '));
    if (kBarred.contains(status))
        warn(session_, app_, prefix + QStringLiteral(" but their current status is ") + status + QLatin1Char('.'));
    return true;
}

void AddressImport::writeAddress(const AddressRow& row, db::Recordset& address) {
    const QString& type = row.type();
    std::array<QString, 4> lines = ComposeAddressLines(row);
    const bool freeLines = type.startsWith(QLatin1String("WORK")) || type.startsWith(QLatin1String("BENE"));
    if (type.startsWith(QLatin1String("BENE")) && row[ad::ThirdCode].isEmpty() && row[ad::Building].isEmpty() &&
        row[ad::Flat].isEmpty())
        lines = {row[ad::Street1], row[ad::Street2], row[ad::Town], lines[3]};
    if (freeLines) lines[3] = row[ad::County];
    for (int i = 0; i < 4; ++i) setText(address, QStringLiteral("Line") + QString::number(i + 1), lines[i]);
    if (freeLines) setText(address, QStringLiteral("Line5"), row[ad::Line5]);
    writePafColumns(row, address);
    if (type == kHome) found_.homeSlots = AddressSlots(row);
    if (type.startsWith(QLatin1String("WORK"))) found_.workSlots = AddressSlots(row);
    writeContactColumns(row, address);
    if (type == kHome) auditHomeAddress(row, address);
    stamp(address);
}

void AddressImport::writePafColumns(const AddressRow& row, db::Recordset& address) {
    const QString& building = row[ad::Building];
    setText(address, QStringLiteral("PAFFlatnumber"), row[ad::Flat].left(30));
    if (!building.isEmpty()) {
        const bool numbered = isNumeric(building);
        setText(address, QStringLiteral("PAFBuildingNumber"), numbered ? building.left(5) : QString());
        setText(address, QStringLiteral("PAFBuildingName"), numbered ? QString() : building);
    }
    setText(address, QStringLiteral("PAFStreet1"), row[ad::Street1]);
    setText(address, QStringLiteral("PAFStreet2"), row[ad::Street2]);
    setText(address, QStringLiteral("PAFTown"), row[ad::Town]);
    setText(address, QStringLiteral("PAFCounty"), row[ad::County]);
    setText(address, QStringLiteral("PAFPostCode"), row[ad::Postcode]);
}

void AddressImport::writeContactColumns(const AddressRow& row, db::Recordset& address) {
    const QString phone = row[ad::Telephone].size() > 20 ? QString() : row[ad::Telephone];
    setText(address, QStringLiteral("Postcode"), row[ad::Postcode]);
    setText(address, QStringLiteral("PhoneNumber"), phone);
    setText(address, QStringLiteral("PhoneExtension"), row[ad::Extension]);
    setText(address, QStringLiteral("MobileNumber"), phone.startsWith(QLatin1String("07")) ? phone : row[ad::Mobile]);
    setText(address, QStringLiteral("FaxNumber"), QString());
    setText(address, QStringLiteral("EmailAddress"), row[ad::Email]);
    if (const auto from = parseDayFirstDate(row[ad::Date])) address.setValue(QStringLiteral("EffectiveFrom"), *from);
}

void AddressImport::auditHomeAddress(const AddressRow& row, db::Recordset& address) {
    if (HomeAddressChanged(found_.storedHome, row)) recordHomeAddressChange(address);
    else if (!found_.storedHome[4].isEmpty()) putStoredHomeBack(address);
}

void AddressImport::recordHomeAddressChange(db::Recordset& address) {
    found_.homeAddressChanged = true;
    const QString heading = QStringLiteral("New home address details supplied on VELT loan app ") + app_.messageSuffix;
    warn(session_, app_, heading + QStringLiteral(" for member ") + memberText());
    AddChangeRecord(cycle_, session_, app_, heading, false, memberText());
    const char* const columns[] = {"Line1", "Line2", "Line3", "Postcode"};
    const char* const labels[] = {"Line 1", "Line 2", "Line 3", "Post code"};
    const int stored[] = {0, 1, 2, 4};
    for (int i = 0; i < 4; ++i)
        AddChangeRecord(cycle_, session_, app_,
                        QLatin1String(labels[i]) + QStringLiteral(" was ") + found_.storedHome[stored[i]] +
                            QStringLiteral(" changed to ") + address.text(QLatin1String(columns[i])),
                        false, memberText());
    AddWebLogEntry(cycle_, session_, app_,
                   QStringLiteral("New address supplied on application [") + address.text(QStringLiteral("Line1")) +
                       QLatin1Char(' ') + address.text(QStringLiteral("Postcode")) + QLatin1Char(']'),
                   QStringLiteral("BORROW"), QStringLiteral("ADDRESS"), memberText());
    if (!cycle_.settings.profile.newHomeAddressSetsStatusG) return;
    main_.execute(QStringLiteral("UPDATE MemberMain SET MemberStatus='G' WHERE MemberNo=") + memberText() +
                  QStringLiteral(" ;"));
    AddChangeRecord(cycle_, session_, app_,
                    QStringLiteral("Status 1 changed to G from ") + app_.membershipStatus(), false,
                    memberText());
}

void AddressImport::putStoredHomeBack(db::Recordset& address) {
    int i = 0;
    for (const char* column : {"Line1", "Line2", "Line3", "Line4", "Postcode"})
        setText(address, QLatin1String(column), found_.storedHome[i++]);
}

// A row without building, flat, street or postcode: a home row falls back on the address
// held before; a first beneficiary or employer keeps the name and telephone it gives.
void AddressImport::writeWithoutAddress(const AddressRow& row, db::Recordset& address) {
    const QString& type = row.type();
    if (type == kHome) {
        putStoredHomeBack(address);
        held_.copyHomeInto(address);
        if (isNewMember())
            warn(session_, app_,
                 QStringLiteral("New member ") + memberText() +
                     QStringLiteral(" supplied no home address - be careful with this application."));
        else
            warn(session_, app_,
                 QStringLiteral("Member ") + memberText() +
                     QStringLiteral(" supplied no home address - resorting to previously held one."));
    } else if (type == QLatin1String("BENE1") || type == QLatin1String("WORK1")) {
        const bool work = type == QLatin1String("WORK1");
        const std::pair<int, const char*> given[] = {{ad::County, "Line4"}, {ad::Line5, "Line5"}, {ad::Telephone, "PhoneNumber"}};
        const int slotOf[] = {6, 7, 9};
        for (int i = 0; i < (work ? 3 : 2); ++i) {
            if (row[given[i].first].isEmpty()) continue;
            setText(address, QLatin1String(given[i].second), row[given[i].first]);
            if (work) found_.workSlots[slotOf[i]] = row[given[i].first];
        }
    }
    stamp(address);
}

void AddressImport::ensureHomeRow() {
    if (homeRowWritten_) return;  // the application's own home row was just written
    db::Recordset home = main_.openRecordset(memberAddressQuery(member_, kHome), db::keysetCursor());
    if (!home.eof()) return;
    home.addNew();
    home.setValue(QStringLiteral("MemberNo"), QVariant::fromValue<qlonglong>(member_));
    setText(home, QStringLiteral("AddressType"), kHome);
    home.setValue(QStringLiteral("YesNo"), false);
    putStoredHomeBack(home);
    held_.copyHomeInto(home);
    stamp(home);
    home.update();
    warn(session_, app_,
         QStringLiteral("Member ") + memberText() +
             QStringLiteral(" supplied no home address - resorting to previously held one."));
}

// Bank details another member already uses are worth a second look. Without a complete
// sort code and account there is nothing to compare: empty values would match every
// member whose bank row lacks them.
void AddressImport::warnOfSharedBankDetails() {
    if (found_.sortCode.isEmpty() || found_.accountNumber.isEmpty()) return;
    db::Recordset others = main_.openRecordset(
        QStringLiteral("SELECT * FROM MemberAddress WHERE MemberNo<>") + memberText() +
        QStringLiteral(" AND AddressType LIKE 'BANK%' AND Code1='") + sqlTextBody(found_.sortCode) +
        QStringLiteral("' ANd Code2='") + sqlTextBody(found_.accountNumber) + QStringLiteral("' ORDER BY MemberNo ;"),
        db::readOnlyCursor());
    for (; !others.eof(); others.moveNext())
        warn(session_, app_,
             QStringLiteral("Member ") + memberText() +
                 QStringLiteral(" supplied bank details but these are already held on member ") +
                 others.text(QStringLiteral("MemberNo")) + QStringLiteral(" - please verify these details!"));
}

}  // namespace

bool HomeAddressChanged(const std::array<QString, 5>& storedHome, const AddressRow& supplied) {
    const QString storedPostcode = squashed(storedHome[4]);
    if (storedPostcode.isEmpty()) return false;
    if (storedPostcode != squashed(supplied[ad::Postcode])) return true;
    if (supplied[ad::Building].isEmpty()) return false;
    const QString suppliedFirstLine = squashed(supplied[ad::Building] + supplied[ad::Street1]);
    const QString storedFirstLine = squashed(storedHome[0]);
    if (suppliedFirstLine.size() < 4 || storedFirstLine.size() < 4) return false;
    return suppliedFirstLine.left(4) != storedFirstLine.left(4);
}

ImportedAddresses PreloadHomeAddress(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                                     const ApplicationAddresses& homeRows) {
    ImportedAddresses preloaded;
    try {
        const QList<StoredAddressRow>& rows = rowsOf(homeRows);
        if (rows.isEmpty()) {
            warn(session, app,
                 QStringLiteral("Member ") + number(app.memberNumber) + QStringLiteral(" - no addresses supplied!"));
            return preloaded;
        }
        const AddressRow home = loadRow(cycle, rows.first());
        preloaded.homeSlots = AddressSlots(home);
        preloaded.homeSlots[1] = QStringLiteral("NB NOT IMPORTED: ") + home[ad::Building];
        preloaded.applicantEmail = home[ad::Email];
    } catch (const std::exception& error) {
        reportFailure(session, app, QStringLiteral("home address preload"), error);
    }
    return preloaded;
}

ImportedAddresses ImportAddresses(const CycleContext& cycle, UnitSession& session, const ApplicationState& app,
                                  const MemberMatch& match, const ApplicationAddresses& addresses,
                                  const ImportedAddresses& preloaded) {
    AddressImport run(cycle, session, app, match, addresses, preloaded);
    try {
        run.run();
    } catch (const std::exception& error) {
        reportFailure(session, app, QStringLiteral("address import"), error);
        run.restoreDeletedHomeRows();
    }
    return run.found();
}

void FillBankFromSortCode(UnitSession& session, db::Recordset& bankRow, const QString& sortCode) {
    db::Recordset bank = session.connections.TarvMain.openRecordset(
        QStringLiteral("Select * from Banks where Banksort='") + sqlTextBody(sortCode) + QStringLiteral("' ;"),
        db::readOnlyCursor());
    if (bank.eof()) return;
    const std::pair<const char*, const char*> copies[] = {
        {"BankName", "Line4"}, {"BankBranch", "Line5"}, {"BankAdd1", "Line1"}, {"BankAdd2", "Line2"}, {"BankAdd3", "Line3"}};
    for (const auto& [from, to] : copies) {
        const QString value = bank.text(QLatin1String(from));
        if (!value.isEmpty()) setText(bankRow, QLatin1String(to), value);
    }
}

}  // namespace autovelt::import
