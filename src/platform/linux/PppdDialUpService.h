#pragma once

#include "connection/DialUpService.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

class Clock;

// Dial-up lines run by pppd itself (pon, wvdial, a plain pppd), seen in the process table from the
// moment pppd runs, and through its pid files and /sys once it has an interface. Every read goes below
// one root folder so that a test can lay out a machine of its own. A connection's handle is the pid of
// its pppd.
class PppdDialUpService final : public DialUpService {
public:
    // The clock paces the rereading; the machine's own when none is given. It must outlive the service.
    explicit PppdDialUpService(std::filesystem::path root = "/", const Clock* clock = nullptr);

    // True while the ppp interface of a listed pppd is up and running.
    bool EstablishedFlag() override;
    // Every running pppd, lowest pid first; false when the process table can't be read.
    bool EnumConnections(std::vector<DialUpConnection>& connections) override;
    // Sends SIGTERM: SIGHUP would make a pppd under "persist" dial again.
    bool HangUp(std::uint64_t handle) override;
    // The counters of the listed pppd's interface in /sys; false until it has one and once it is gone.
    bool ReadTraffic(std::uint64_t handle, LineTraffic& counters) override;

    struct Link {
        int Pid = 0;
        int ParentPid = 0;
        std::string EntryName;
        std::string Interface; // empty until pppd has a unit, unless its options name it
        std::string Tty;       // the serial device's own name, when pppd dials one
        bool Established = false;
    };
    // The running pppd processes, null when the process table can't be read. Reads within one tick share
    // one reading; it is read again when the process list has changed or it is a second old, and the
    // whole process table is searched for new pppd processes at most once a second, only after a change.
    const std::vector<Link>* Links();
    // Counts the readings Links() has made, for callers that keep what they made of one.
    std::uint64_t Readings() const { return m_readings; }

private:
    // What a pppd's command line and peer file say, read once per process.
    struct Process {
        std::string StartTime; // tells a reused pid apart
        int ParentPid = 0;
        std::string Peer, LinkName, Tty, Interface;
        bool Demand = false;
    };
    // Changes whenever a process starts or ends.
    struct ListMark {
        std::uintmax_t Count = 0;
        std::string NewestPid;
        bool operator==(const ListMark&) const = default;
    };

    ListMark ReadListMark() const;
    bool ScanProcessTable();
    // Reads a pppd's process once; false when it is no pppd.
    bool Learn(int pid);
    void ReadLinks();

    std::filesystem::path m_root;
    const Clock& m_clock;
    std::map<int, Process> m_processes; // running pppd by pid
    std::vector<Link> m_links;
    bool m_read = false;
    bool m_readable = false;
    double m_readAt = 0;
    double m_markReadAt = 0;
    std::uint64_t m_readings = 0;
    double m_scannedAt = 0;
    ListMark m_mark;
    ListMark m_scannedMark;
};
