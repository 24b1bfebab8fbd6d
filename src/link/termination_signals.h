#pragma once

#include <QObject>

// Turns SIGINT and SIGTERM (on Windows the console's Ctrl+C and Ctrl+Break,
// as SIGINT) into a normal quit of the event loop, so that the port is closed
// by its owner's destructor. A program killed while it holds a terminal
// would otherwise leave it locked and with changed settings.
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    // One instance per program, made after the application object.
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

signals:
    void received(int signalNumber);
};
