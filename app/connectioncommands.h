#pragma once

#include <QString>

#include <cstdint>

class PksdLink;
class QAction;
class QWidget;
struct ConnectionState;
struct PacketStore;

// The main window's connect and close commands; either may be null.
struct ConnectActions
{
    QAction* ConnectAction = nullptr; // connectConnect_To_PKSDAction
    QAction* CloseAction = nullptr;   // connectCloseAction
};

// While a connection is wanted only the close command is enabled, otherwise only connect.
void SetConnectActions(const ConnectActions& actions, bool connectionWanted);

// Dialog texts read as numbers; anything that is not such a number gives 0.
std::uint16_t PortFromText(const QString& text);
std::int32_t RingSizeFromText(const QString& text);

// The "Memory Error" texts for a ring of slotCount slots, counted in 64 bits: the connect
// command's "Couldn't allocate %dBytes" and the start-up's "Couldn't allocate %dkB".
QString RingAllocationFailureText(std::int64_t slotCount);
QString StartupRingFailureText(std::int64_t slotCount);

// Allocates the ring; on failure shows the "Memory Error" box with text and returns false.
bool AllocateRingOrSay(QWidget* parent, PacketStore& store, const QString& failureText);

// Runs the connection dialog (again while the ring size taken is below 1), allocates the ring
// and requests the connection. False when cancelled or the ring could not be allocated, after
// the "Memory Error" box.
bool OpenPksd(QWidget* parent, ConnectionState& conn, PacketStore& store, PksdLink& link,
              const ConnectActions& actions);

// Ends the connection and its reconnection; the ring stays as it is.
void ClosePksd(PksdLink& link, const ConnectActions& actions);
