#pragma once

#include "settings/MainWindowView.h"

#include <map>
#include <string>
#include <vector>

// Records what the core shows on the main window.
class FakeMainWindowView final : public MainWindowView {
public:
    void HideMainWindow() override { Visible = false; }
    void ShowMainWindow() override {
        Visible = true;
        ++ShowCount;
    }
    void ArrangeLayout(int, int, bool profileFrameVisible) override {
        ProfileFrameVisible = profileFrameVisible;
    }
    void SetLabel(MainLabel label, const std::string& text) override { Labels[label] = text; }
    void ClearRateList() override { RateList.clear(); }
    void AddRateName(const std::string& name) override { RateList.push_back(name); }
    std::string RateText() const override { return Rate; }
    void SetRateText(const std::string& text) override { Rate = text; }
    void SetStartStopCaption(const std::string& caption) override { StartStopCaption = caption; }
    void SetStartStopEnabled(bool enabled) override { StartStopEnabled = enabled; }
    void SetMenuStartStopCaption(const std::string& caption) override { MenuStartStopCaption = caption; }
    void SetMenuStartStopEnabled(bool enabled) override { MenuStartStopEnabled = enabled; }
    std::string WindowTitle() const override { return Title; }
    void SetWindowTitle(const std::string& title) override { Title = title; }
    void SetTrayIconVisible(bool visible) override { TrayIconVisible = visible; }
    void SetTrayTip(const std::string& tip) override { TrayTip = tip; }
    void ShowTrayMessage(const std::string& title, const std::string& text) override {
        TrayMessages.push_back(title + ": " + text);
    }
    void SetHelp(int, const std::string& helpFile) override { HelpFile = helpFile; }
    void CloseSplash() override { SplashClosed = true; }

    std::string Label(MainLabel label) const {
        const auto it = Labels.find(label);
        return it == Labels.end() ? std::string() : it->second;
    }

    bool Visible = false;
    int ShowCount = 0;
    bool ProfileFrameVisible = false;
    std::map<MainLabel, std::string> Labels;
    std::vector<std::string> RateList;
    std::string Rate;
    std::string StartStopCaption = "Start";
    bool StartStopEnabled = true;
    std::string MenuStartStopCaption = "Start";
    bool MenuStartStopEnabled = true;
    std::string Title = "Tallydial";
    bool TrayIconVisible = false;
    std::string TrayTip;
    std::vector<std::string> TrayMessages; // "title: text"
    std::string HelpFile;
    bool SplashClosed = false;
};
