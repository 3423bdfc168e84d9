#pragma once

#include "db/SessionUser.h"

class DbGateway;

// One message part of a submission.
struct MessagePart
{
    QString message;
    QString numberList; // every number followed by a comma
    qint64 count = 0;   // numbers in the list: what the part costs
};

// A part's number list: every number followed by a comma.
QString numberList(const QStringList& numbers);

enum class PartEnd
{
    Charged,
    Failed,       // written nowhere and charged nothing
    OutOfBalance, // the balance no longer covers what is still to be written
    Refused,      // the account may no longer submit
    Unknown       // the answer was lost and nobody could tell afterwards
};

// Writes one part as one unit: its Messages row and key, the charge and the sent total, all or
// nothing; the charge only while the balance covers it at the server. A guarded database does
// it in one call; an open one in the statements of a unit, after checking the acting account's
// current type. When the answer is lost, the part's key tells on a fresh connection whether it
// was kept. figures gets the server's balance and sent total where they are known; cost is what
// the rest of the submission needs, by which a failed part is told from a lack of balance.
// message gets the text of a part that was not charged. *written, when given, gets how many
// numbers a charged part was written and charged for: fewer than the part's count when a guarded
// database left out numbers that were put on the opt-out list since the screening.
PartEnd DbWritePart(DbGateway& gateway, const SessionUser& acting, const MessagePart& part, qint64 cost,
                    SessionUser& figures, QString& message, qint64* written = nullptr);

// The acting account's balance and sent total at the server into figures; left alone when they
// cannot be read.
void DbReadFigures(DbGateway& gateway, const SessionUser& acting, SessionUser& figures);
