#include "register_edit_rules.h"

#include "cp1251.h"
#include "register_table.h"
#include "text_number.h"

namespace RegisterEditRules {

quint32 parseAddress(QByteArrayView text)
{
    qsizetype i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    const quint32 magnitude = TextNumber::parseHex(text.sliced(i));
    return negative ? quint32(0) - magnitude : magnitude;
}

QByteArray addressText(quint32 address)
{
    return TextNumber::formatHex4(address) + ' ';
}

namespace {

int shownUnits(const RegisterTable &table, int row, int cellSize)
{
    const int size = TextNumber::parseInt(table.shownText(row, RegisterTable::Column::Size)) & 0xFF;
    return RegisterTable::addressUnits(size, cellSize);
}

} // namespace

void shiftRegisters(RegisterTable &table, int firstRow, quint32 start, int cellSize)
{
    quint32 position = start;
    for (int r = std::max(firstRow, 0); r < table.parameterCount(); ++r) {
        position += quint32(shownUnits(table, r, cellSize));
        table.setAddress(r, addressText(position & 0xFFFF));
    }
}

OverlapOutcome resolveOverlaps(RegisterTable &table, int editedRow, quint32 newAddress,
                               int newUnits, int cellSize, const std::function<bool()> &askShift)
{
    OverlapOutcome outcome;
    for (int i = 0; i < table.parameterCount(); ++i) {
        if (i == editedRow)
            continue;
        const quint32 rowAddress = parseAddress(table.shownText(i, RegisterTable::Column::Address));
        const int rowUnits = shownUnits(table, i, cellSize);
        for (int j = 0; j < rowUnits; ++j) {
            for (int k = 0; k < newUnits; ++k) {
                if (newAddress + quint32(k) != rowAddress + quint32(j))
                    continue;
                if (askShift()) {
                    shiftRegisters(table, i, rowAddress + quint32(j), cellSize);
                    outcome.shifted = true;
                } else {
                    outcome.accepted = false;
                }
            }
        }
    }
    return outcome;
}

bool isHoldableLayout(const RegisterTable &table, int editedRow, quint32 newAddress, int newUnits,
                      int cellSize)
{
    struct Span
    {
        quint64 first;
        quint64 end; // one past the last address
    };
    QList<Span> spans;
    for (int r = 0; r < table.parameterCount(); ++r) {
        const quint64 first =
            r == editedRow ? newAddress
                           : parseAddress(table.shownText(r, RegisterTable::Column::Address));
        // The edited row's own address is checked with its own message.
        if (r != editedRow && first >= FirstReservedAddress)
            return false;
        const int units = r == editedRow ? newUnits : shownUnits(table, r, cellSize);
        spans.append({first, first + quint64(std::max(units, 0))});
    }
    for (qsizetype a = 0; a < spans.size(); ++a) {
        for (qsizetype b = a + 1; b < spans.size(); ++b) {
            if (spans[a].first < spans[b].end && spans[b].first < spans[a].end)
                return false;
        }
    }
    return true;
}

bool isPowerRegister(QByteArrayView name)
{
    static const QByteArray power = toCp1251(u"мощность");
    return name.size() > 1 && name.sliced(1).indexOf(power) >= 0;
}

std::optional<QString> coefficientRangeText(QByteArrayView name, double k)
{
    if (isPowerRegister(name)) {
        if (k >= 1000 && k <= 5000)
            return std::nullopt;
        return QStringLiteral("1000 < К2 < 5000");
    }
    if (k >= 2500 && k <= 5000)
        return std::nullopt;
    return QStringLiteral("2500 < К1 < 5000");
}

} // namespace RegisterEditRules
