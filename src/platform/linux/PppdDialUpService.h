#pragma once

#include "connection/DialUpService.h"

#include <filesystem>
#include <string>
#include <vector>

// Dial-up lines run by pppd itself (pon, wvdial, a plain pppd), seen through its pid files, /proc and
// /sys. Every read goes below one root folder so that a test can lay out a machine of its own.
// A connection's handle is the pid of its pppd.
class PppdDialUpService final : public DialUpService {
public:
    explicit PppdDialUpService(std::filesystem::path root = "/");

    // True while the ppp interface of a listed pppd is up and running.
    bool EstablishedFlag() override;
    // Every running pppd, lowest pid first; false when the pid folder can't be read.
    bool EnumConnections(std::vector<DialUpConnection>& connections) override;
    // Sends SIGTERM: SIGHUP would make a pppd under "persist" dial again.
    bool HangUp(std::uint64_t handle) override;

    struct Link {
        int Pid = 0;
        std::string EntryName;
        std::string Interface; // empty until pppd has a unit
        bool Established = false;
    };
    // One consistent reading of all running pppd processes; false when the pid folder can't be read.
    bool ReadLinks(std::vector<Link>& links) const;

private:
    std::filesystem::path m_root;
};
