#pragma once

// A credit report as the agency returned it, read once into its elements so that every
// credit rule finds its figure by name. A report that breaks off or is not XML keeps the
// elements read before the fault and says where it broke.

#include <QList>
#include <QString>
#include <QXmlStreamAttributes>
#include <optional>

namespace autovelt::inline assessment {

class CreditReport {
public:
    // Reads the report text; never throws.
    static CreditReport read(const QString& text);

    bool isEmpty() const { return empty_; }
    // Empty when the whole text was read; otherwise why and where the reading stopped.
    const QString& fault() const { return fault_; }

    // The own text of the first element of that name (its text before any child element);
    // with a parent, only an element directly inside an element of that name counts.
    std::optional<QString> text(const QString& element, const QString& parent = QString()) const;

    // True when some element carries the attribute with a value beginning with the prefix.
    bool hasAttributeStarting(const QString& attribute, const QString& prefix) const;

    // The first score element with a class: its opening tag as the agency writes it and its
    // own text.
    struct Score {
        QString openingTag;
        QString value;
    };
    std::optional<Score> firstScore() const;
    // The own text of the score element that stands right before the reasons element.
    std::optional<QString> scoreBeforeReasons() const;

    // One account record: the balance of its first history entry, its type code and its
    // regular payment, each empty when the record has none.
    struct Account {
        QString balance;
        QString typeCode;
        QString regularPayment;
    };
    QList<Account> accounts() const;

private:
    struct Element {
        QString name;
        QXmlStreamAttributes attributes;
        QString text;
        int parent = -1;
        int previousSibling = -1;
        int end = -1;  // one past the last element inside it
        bool hasChild = false;
    };
    int firstInside(int container, const QString& name) const;
    QString firstAttributeInside(int container, const QString& attribute) const;

    QList<Element> elements_;
    QString fault_;
    bool empty_ = true;
};

}  // namespace autovelt::assessment
