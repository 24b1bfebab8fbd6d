// Drives the program's read and write cycles against the simulated
// transducer, switching its faults at random, and checks every exchange:
// an accepted read equals the configuration the transducer holds (also when
// replies are repeated, foreign frames come first or the adapter echoes), an
// accepted write is the one sent and the transducer holds exactly it, every
// fault ends in its message, and nothing is accepted that should not be.
//
//   soak_driver --sim PATH [--exchanges N] [--seed S]
//
// Prints one line of figures; exits with 1 when any check failed.

#include "coefficient.h"
#include "config_image.h"
#include "live_exchange.h"
#include "sim_process.h"
#include "transducer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>
#include <map>

namespace {

using Kind = ExchangeError::Kind;

void pause(int ms)
{
    waitFor([] { return false; }, ms);
}

// The message each fault must end in, for a read and for a write, from the
// window's own table; empty: accepted.
QString expectedMessage(Fault fault, bool write, int deviceId)
{
    switch (fault) {
    case Fault::None:
    case Fault::Repeat:
    case Fault::Foreign:
    case Fault::NotStored:
        return {};
    case Fault::Silent:
    case Fault::Late:
    case Fault::Vanish:
        return exchangeErrorMessage(ExchangeError::of(Kind::NoReply)).text;
    case Fault::Truncated:
    case Fault::BadLrc:
    case Fault::LowerCase:
    case Fault::Noise:
        return exchangeErrorMessage(ExchangeError::of(Kind::ReceptionError)).text;
    case Fault::EchoChanged:
    case Fault::EchoAddress:
        return write ? exchangeErrorMessage(ExchangeError::of(Kind::TransmissionError)).text
                     : QString();
    case Fault::OtherId:
        return exchangeErrorMessage(ExchangeError::deviceId(Transducer::OtherDeviceId, deviceId))
            .text;
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
    // New values for a write: device address, line settings and one row's
    // coefficient, all within what the device holds.
    void changeSomething()
    {
        LinkSettings &link = session.link;
        link.deviceAddress = quint8(random.bounded(1, 248));
        link.baudCode = quint8(random.bounded(2, 8)); // 1200 to 19200
        link.parity = Parity(random.bounded(3));
        link.stopBits = StopBits(random.bounded(2));
        link.transmissionMode = random.bounded(2) ? TransmissionMode::Ascii : TransmissionMode::Rtu;
        RegisterTable &table = session.table;
        const int row = random.bounded(table.parameterCount());
        const RegisterEntry entry = table.row(row);
        if (!Coefficient::isSpecial(entry.name))
            table.setRow(row, entry.address, entry.size,
                         QByteArray::number(2500 + 5 * random.bounded(501)));
    }

    QList<QByteArray> listTexts() const
    {
        QList<QByteArray> texts;
        for (int r = 0; r < session.table.parameterCount(); ++r)
            texts << session.table.shownText(r, RegisterTable::Column::Address)
                  << session.table.shownText(r, RegisterTable::Column::Coefficient);
        return texts;
    }

    QRandomGenerator random;
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

    SimProcess sim(parser.value("sim"));
    sim.process.setStandardErrorFile(QProcess::nullDevice());
    // The link keeps naming the line when a vanished terminal is served anew.
    const QTemporaryDir folder;
    const QString link = folder.filePath(QStringLiteral("vxn"));
    if (!sim.start({"--model", "401", "--link", link})) {
        out << "soak: cannot start the simulator" << Qt::endl;
        return 2;
    }
    Soak soak;
    soak.random.seed(seed);
    const auto openLine = [&] {
        return soak.port.open(link) && soak.port.configure(PortModeString);
    };
    if (!openLine()) {
        out << "soak: cannot open " << link << Qt::endl;
        return 2;
    }
    const auto idle = [&soak] { return !soak.waitingForReply(); };

    // Identification and a first read, on a sound line.
    soak.run(ExchangeKind::Read);
    waitFor(idle, 3000);
    if (soak.session.deviceId != 401 || !soak.messages.shown.isEmpty()) {
        out << "soak: the first read failed: " << soak.messages.texts().join(u'|') << Qt::endl;
        return 1;
    }

    // A device that echoes a write and then does not store it passes any
    // write; only a read after it tells (the commissioning run does that),
    // so it is left out here.
    QStringList faults = faultNames();
    faults.removeAll(faultName(Fault::NotStored));
    int accepted = 0, wrongAcceptances = 0, mismatches = 0, stuck = 0;
    std::map<QString, int> refused;
    std::map<QString, int> acceptedAround; // accepted among other frames on the line
    for (int n = 1; n <= exchanges; ++n) {
        const Fault fault = soak.random.bounded(2) == 0
                                ? Fault::None
                                : *faultFromName(faults[soak.random.bounded(int(faults.size()))]);
        const bool write = soak.random.bounded(10) < 3;
        // An adapter that hears itself comes with any fault.
        const bool adapterEcho = soak.random.bounded(4) == 0;
        sim.command(adapterEcho ? "echo on" : "echo off");
        sim.command("fault " + faultName(fault).toLatin1());
        // Commands are taken in order: once the image is printed, the fault
        // is in force.
        sim.image();
        soak.messages.shown.clear();
        if (write)
            soak.changeSomething();
        const QList<QByteArray> listBefore = soak.listTexts();

        // What a write sends: the session's image as it stands.
        const QByteArray sent = write ? ConfigImage::buildImage(soak.session) : QByteArray();
        soak.run(write ? ExchangeKind::Write : ExchangeKind::Read);
        waitFor(idle, 6000);
        pause(30);
        if (soak.engine.isBusy() || !idle()) {
            ++stuck;
            out << "exchange " << n << ": still busy" << Qt::endl;
        }

        const QString expected = expectedMessage(fault, write, soak.session.deviceId);
        const QString got = soak.messages.texts().value(0);
        const auto fail = [&](const QString &what) {
            ++mismatches;
            out << "exchange " << n << " (" << (write ? "write" : "read") << ", "
                << faultName(fault) << (adapterEcho ? ", adapter echo" : "") << "): " << what
                << Qt::endl;
        };
        if (soak.messages.shown.size() > 1)
            fail(QStringLiteral("several messages: ") + soak.messages.texts().join(u'|'));
        if (got.isEmpty()) {
            const QByteArray held = sim.image();
            if (!expected.isEmpty()) {
                ++wrongAcceptances;
                fail(QStringLiteral("accepted, expected \"%1\"").arg(expected));
            } else if (write ? sent != held : requestForm(soak.engine.image()) != held) {
                ++wrongAcceptances;
                fail(QStringLiteral("accepted, but the transducer holds another configuration"));
            } else {
                ++accepted;
                if (fault == Fault::Repeat || fault == Fault::Foreign)
                    ++acceptedAround[faultName(fault)];
                if (adapterEcho)
                    ++acceptedAround[QStringLiteral("adapter echo")];
            }
        } else {
            ++refused[kindOf(got)];
            if (got != expected)
                fail(QStringLiteral("\"%1\", expected \"%2\"")
                         .arg(got, expected.isEmpty() ? QStringLiteral("acceptance") : expected));
            if (soak.listTexts() != listBefore)
                fail(QStringLiteral("the list changed on a refused exchange"));
        }
        // A late or repeated reply still arrives; the line is left clean for
        // the next one.
        if (fault == Fault::Late)
            pause(1400);
        if (fault == Fault::Repeat)
            pause(700);
        // The adapter comes back: the next exchange opens it again, as the
        // window and the command-line tool do.
        if (fault == Fault::Vanish) {
            sim.command("fault none");
            sim.image();
            if (!openLine())
                fail(QStringLiteral("the line did not come back"));
        }
        char discard[1024];
        while (soak.port.readAvailable(discard) > 0)
            pause(20);
        if (n % 100 == 0)
            out << "soak: " << n << " exchanges" << Qt::endl;
    }

    QStringList kinds;
    for (const auto &[kind, count] : refused)
        kinds << QStringLiteral("%1 %2").arg(kind).arg(count);
    QStringList around;
    for (const auto &[what, count] : acceptedAround)
        around << QStringLiteral("%1 %2").arg(what).arg(count);
    out << "soak figures: exchanges " << exchanges << ", accepted " << accepted << " ("
        << around.join(u", ") << "), refused " << exchanges - accepted << " (" << kinds.join(u", ")
        << "), wrong acceptances " << wrongAcceptances << ", mismatches " << mismatches
        << ", busy stuck " << stuck << ", crashes 0, seed " << seed << Qt::endl;
    return wrongAcceptances || mismatches || stuck ? 1 : 0;
}
