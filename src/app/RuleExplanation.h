#pragma once

// The rule explanation for the credit committee: the same rule evaluation as the import
// pass, run on a stored credit report without writing anything anywhere, printed as a
// table of each rule, its band, the value found and the letter it gives.

#include <QString>

namespace autovelt::inline app {

struct RuleExplanationRequest {
    QString reportFile;
    QString homeFolder;
    QString amount;   // total borrowing; chooses the rule set
    long memberNumber = 0;
    bool newMember = false;  // the member joined with the application being explained
};

// Prints the table to standard output; returns the exit code (0, or 4 when the report or
// the installation cannot be read).
int ExplainRules(const RuleExplanationRequest& request);

// The table itself, for the caller that prints it.
QString ExplainRulesText(const RuleExplanationRequest& request, bool& ok);

}  // namespace autovelt::app
