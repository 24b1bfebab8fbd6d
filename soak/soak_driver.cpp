// Drives the program's read and write cycles against the simulated
// transducer, switching its faults at random, and checks every exchange:
// an accepted read equals the configuration the transducer holds, an
// accepted write is the one sent and the transducer holds exactly it, every
// fault ends in its message, and nothing is accepted that should not be.
//
//   soak_driver --sim PATH [--exchanges N] [--seed S]
//
// Prints one line of figures; exits with 1 when any check failed.

#include "live_exchange.h"
#include "transducer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QProcess>
#include <QRandomGenerator>
#include <QTextStream>
#include <map>

namespace {

void pause(int ms)
{
    waitFor([] { return false; }, ms);
}

// The simulated transducer, with its standard output read for "image" lines.
class Simulator
{
public:
    bool start(const QString &program)
    {
        process.setProgram(program);
        process.setArguments({"--model", "401"});
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start();
        if (!process.waitForStarted(5000))
            return false;
        devicePath = QString::fromLocal8Bit(readLine()).trimmed();
        return !devicePath.isEmpty();
    }
    void command(const QByteArray &line)
    {
        process.write(line + '\n');
        process.waitForBytesWritten(1000);
    }
    QByteArray image()
    {
        command("image");
        const QByteArray line = readLine().trimmed();
        return line.startsWith("image ") ? QByteArray::fromHex(line.mid(6)) : QByteArray();
    }
    ~Simulator()
    {
        command("quit");
        if (!process.waitForFinished(3000))
            process.kill();
    }
    QString devicePath;

private:
    QByteArray readLine()
    {
        for (int i = 0; i < 50 && !process.canReadLine(); ++i)
            process.waitForReadyRead(100);
        return process.readLine();
    }
    QProcess process;
};

// What each fault must end in, for a read and for a write; empty: accepted.
QString expectedMessage(Fault fault, bool write, int deviceId)
{
    switch (fault) {
    case Fault::None:
        return {};
    case Fault::Silent:
    case Fault::Late:
        return QStringLiteral("Преобразователь не отвечает");
    case Fault::Truncated:
    case Fault::BadLrc:
    case Fault::LowerCase:
    case Fault::Noise:
        return QStringLiteral("Ошибка при приеме данных");
    case Fault::EchoChanged:
    case Fault::EchoAddress:
        return write ? QStringLiteral("Ошибка при передаче данных") : QString();
    case Fault::OtherId:
        return QStringLiteral("Ошибка ID устройства %1 вместо %2")
            .arg(Transducer::OtherDeviceId)
            .arg(deviceId);
    }
    return {};
}

QString kindOf(const QString &message)
{
    if (message.contains(u"не отвечает"))
        return QStringLiteral("no-reply");
    if (message.contains(u"приеме"))
        return QStringLiteral("reception");
    if (message.contains(u"передаче"))
        return QStringLiteral("transmission");
    if (message.contains(u"ID"))
        return QStringLiteral("device-id");
    return QStringLiteral("other");
}

// A read's image has the address first; the transducer's, after the ID.
QByteArray requestForm(const QByteArray &readImage)
{
    if (readImage.size() < 3)
        return {};
    return readImage.mid(1, 2) + readImage.left(1) + readImage.mid(3);
}

struct Soak : LiveExchange
{
    QRandomGenerator random;

    // New values for a write: device address, line settings and one row's
    // coefficient, all within what the device holds.
    void changeSomething()
    {
        fields.setNumericText(LinkFields::NumericField::DeviceAddress,
                              QString::number(random.bounded(1, 248)));
        for (auto list : {LinkFields::Choice::BaudRate, LinkFields::Choice::Parity,
                          LinkFields::Choice::StopBits}) {
            const QStringList texts = choiceTexts(list);
            fields.select(list, texts[random.bounded(int(texts.size()))]);
        }
        fields.setTransmissionMode(random.bounded(2) ? TransmissionMode::Ascii
                                                     : TransmissionMode::Rtu);
        const int row = random.bounded(table.parameterCount());
        const RegisterEntry entry = table.row(row);
        if (!RegisterTable::isSpecialRegister(entry.name))
            table.setRow(row, entry.address, entry.size,
                         QByteArray::number(2500 + 5 * random.bounded(501)));
    }
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOptions({{"sim", "The vxn-sim program.", "PATH"},
                       {"exchanges", "How many exchanges (default 1000).", "N", "1000"},
                       {"seed", "Random seed (default: from the clock).", "S"}});
    parser.process(app);
    const int exchanges = parser.value("exchanges").toInt();
    const quint32 seed = parser.isSet("seed")
                             ? parser.value("seed").toUInt()
                             : quint32(QDateTime::currentMSecsSinceEpoch() & 0x7FFFFFFF);
    QTextStream out(stdout);
    out << "soak: seed " << seed << ", " << exchanges << " exchanges" << Qt::endl;

    Simulator sim;
    if (!sim.start(parser.value("sim"))) {
        out << "soak: cannot start the simulator" << Qt::endl;
        return 2;
    }
    Soak soak;
    soak.random.seed(seed);
    if (!soak.port.open(sim.devicePath) || !soak.port.configure(PortModeString)) {
        out << "soak: cannot open " << sim.devicePath << Qt::endl;
        return 2;
    }
    const auto idle = [&soak] { return !soak.timers.isActive(ExchangeTimers::ReplyTimer); };

    // Identification and a first read, on a sound line.
    soak.engine.onReadClicked();
    waitFor([&] { return !soak.engine.image.isEmpty() || !soak.messages.shown.isEmpty(); }, 5000);
    waitFor(idle, 3000);
    if (soak.engine.deviceId != 401 || !soak.messages.shown.isEmpty()) {
        out << "soak: the first read failed: " << soak.messages.texts().join(u'|') << Qt::endl;
        return 1;
    }

    const QStringList faults = faultNames();
    int accepted = 0, wrongAcceptances = 0, mismatches = 0, stuck = 0;
    std::map<QString, int> refused;
    for (int n = 1; n <= exchanges; ++n) {
        const Fault fault = soak.random.bounded(2) == 0
                                ? Fault::None
                                : *faultFromName(faults[soak.random.bounded(int(faults.size()))]);
        const bool write = soak.random.bounded(10) < 3;
        sim.command("fault " + faultName(fault).toLatin1());
        // Commands are taken in order: once the image is printed, the fault
        // is in force.
        sim.image();
        soak.messages.shown.clear();
        if (write)
            soak.changeSomething();
        const QList<QByteArray> listBefore = [&] {
            QList<QByteArray> texts;
            for (int r = 0; r < soak.list.count(); ++r)
                texts << soak.list.text(r, RegisterList::AddressColumn)
                      << soak.list.text(r, RegisterList::CoefficientColumn);
            return texts;
        }();

        QByteArray sent;
        if (write) {
            soak.engine.onWriteClicked();
            sent = soak.engine.image;
        } else {
            soak.engine.image.clear();
            soak.engine.onReadClicked();
        }
        waitFor(idle, 6000);
        pause(30);
        if (soak.engine.busy || !idle()) {
            ++stuck;
            out << "exchange " << n << ": still busy" << Qt::endl;
        }

        const QString expected = expectedMessage(fault, write, soak.engine.deviceId);
        const QString got = soak.messages.texts().value(0);
        const auto fail = [&](const QString &what) {
            ++mismatches;
            out << "exchange " << n << " (" << (write ? "write" : "read") << ", "
                << faultName(fault) << "): " << what << Qt::endl;
        };
        if (soak.messages.shown.size() > 1)
            fail(QStringLiteral("several messages: ") + soak.messages.texts().join(u'|'));
        if (got.isEmpty()) {
            const QByteArray held = sim.image();
            if (!expected.isEmpty()) {
                ++wrongAcceptances;
                fail(QStringLiteral("accepted, expected \"%1\"").arg(expected));
            } else if (write ? sent != held : requestForm(soak.engine.image) != held) {
                ++wrongAcceptances;
                fail(QStringLiteral("accepted, but the transducer holds another configuration"));
            } else {
                ++accepted;
            }
        } else {
            ++refused[kindOf(got)];
            if (got != expected)
                fail(QStringLiteral("\"%1\", expected \"%2\"")
                         .arg(got, expected.isEmpty() ? QStringLiteral("acceptance") : expected));
            QList<QByteArray> listAfter;
            for (int r = 0; r < soak.list.count(); ++r)
                listAfter << soak.list.text(r, RegisterList::AddressColumn)
                          << soak.list.text(r, RegisterList::CoefficientColumn);
            if (listAfter != listBefore)
                fail(QStringLiteral("the list changed on a refused exchange"));
        }
        // A late reply still arrives; the line is left clean for the next one.
        if (fault == Fault::Late)
            pause(1400);
        char discard[1024];
        while (soak.port.readAvailable(discard, sizeof discard) > 0)
            pause(20);
        if (n % 100 == 0)
            out << "soak: " << n << " exchanges" << Qt::endl;
    }

    QStringList kinds;
    for (const auto &[kind, count] : refused)
        kinds << QStringLiteral("%1 %2").arg(kind).arg(count);
    out << "soak figures: exchanges " << exchanges << ", accepted " << accepted << ", refused "
        << exchanges - accepted << " (" << kinds.join(u", ") << "), wrong acceptances "
        << wrongAcceptances << ", mismatches " << mismatches << ", busy stuck " << stuck
        << ", crashes 0, seed " << seed << Qt::endl;
    return wrongAcceptances || mismatches || stuck ? 1 : 0;
}
