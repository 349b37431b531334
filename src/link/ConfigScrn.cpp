#include "link/ConfigScrn.h"

#include <cmath>

#include "platform/NumText.h"

namespace vt {

namespace {

std::string upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

void showList(ConfigScrnState& st) { st.ATset.assign(st.rec.ATList.begin(), st.rec.ATList.end()); }

}  // namespace

std::string baudText(int index) {
    if (index < 0 || index > 7) return {};
    const long rate = index <= 5 ? 1200L << index : (index - 5) * 57600L;
    return std::to_string(rate);
}

std::string describeDevice(const CommPort& port) {
    std::string s = "COM" + std::to_string(port.commPort()) + ": " + port.devicePath();
    if (!port.reportsModemLines()) s += " (reports no modem lines: the carrier counts as present)";
    return s;
}

void caption_set(const Module1& m, ConfigScrnState& st) {
    st.Frame1.setCaption(lang(m, 86));
    st.Frame6.setCaption(lang(m, 87));
    st.Frame5.setCaption(lang(m, 88));
    st.BothFlow.setCaption(lang(m, 89));
    st.Frame_retry.setCaption(lang(m, 90));
    st.Label1.setCaption(lang(m, 91));
    st.shokiset.setCaption(lang(m, 92));
    st.FrameAT.setCaption(lang(m, 93));
    st.CancelButton.setCaption(lang(m, text::kCancel));
    st.OKButton.setCaption("OK");
    st.NoFlow.setCaption("None");
    st.XonFlow.setCaption("Xon/Xoff");
    st.RTSFlow.setCaption("RTS/CTS");
    for (int i = 1; i <= 10; ++i) st.ComPort[static_cast<size_t>(i)].setCaption("Com" + std::to_string(i));
    for (int i = 0; i < 8; ++i) st.baud[static_cast<size_t>(i)].setCaption(baudText(i));
}

void Form_Load(Module1& m, MainformState& f, ConfigScrnState& st) {
    caption_set(m, st);
    m.PortQuietLoad = kFalse;
    st.window.setCaption(lang(m, m.PortSel == 2 ? 95 : 94));
    moniport_set(m, f, st.rec);
    showList(st);
    screen_set(m, f, st);
    st.rec.ATIndex = 0;
    st.Unloaded = false;
}

void retry_enable(ConfigScrnState& st) {
    st.Frame_retry.setEnabled(true);
    st.Label1.setEnabled(true);
    st.RetryLabel.setEnabled(true);
    st.RetryLabel.setCaption(" " + std::to_string(st.rec.RetryVal));
}

void screen_set(const Module1& m, MainformState& f, ConfigScrnState& st) {
    for (int i = 1; i <= 10; ++i) st.ComPort[static_cast<size_t>(i)].setEnabled(true);
    if (m.PortSel == 2) {
        // The two ports cannot be set to one COM port from here.
        const int mainPort = f.MSComm1->commPort();
        if (mainPort >= 1 && mainPort <= 10) st.ComPort[static_cast<size_t>(mainPort)].setEnabled(false);
        st.Label1.setEnabled(false);
        st.Frame_retry.setEnabled(false);
        st.RetryLabel.setEnabled(false);
    } else {
        retry_enable(st);
    }
    for (int i = 1; i <= 10; ++i) st.ComPort[static_cast<size_t>(i)].setChecked(i == st.rec.ComPortNo);

    // The rate option: by the exact text for the two fast rates, else log2 of rate / 1200.
    int index = -1;
    if (st.rec.BaudStr == "57600") {
        index = 6;
    } else if (st.rec.BaudStr == "115200") {
        index = 7;
    } else {
        const double v = Val(st.rec.BaudStr) / 1200.0;
        if (v > 0) index = static_cast<int>(Int(std::log2(v)));
    }
    // A rate the dialog does not offer selects no option (the file's rate still applies).
    const bool offered = index >= 0 && index <= 7 && baudText(index) == st.rec.BaudStr;
    for (int i = 0; i < 8; ++i) st.baud[static_cast<size_t>(i)].setChecked(offered && i == index);

    Control* flows[4] = {&st.NoFlow, &st.XonFlow, &st.RTSFlow, &st.BothFlow};
    for (int i = 0; i < 4; ++i) flows[i]->setChecked(i == st.rec.FlowNo);
    st.ATsetText = st.rec.ATCmd;
    st.DevicePath.setCaption(describeDevice(selectedPort(m, f)));
}

void ComPort_Click(Module1& m, MainformState& f, ConfigScrnState& st, int index) {
    if (index < 1 || index > 10) return;
    st.rec.ComPortNo = static_cast<int16_t>(index);
    for (int i = 1; i <= 10; ++i) st.ComPort[static_cast<size_t>(i)].setChecked(i == index);
    // Show the device that number stands for; the port itself is set on OK.
    CommPort& port = selectedPort(m, f);
    const int was = port.commPort();
    port.setCommPort(index);
    st.DevicePath.setCaption(describeDevice(port));
    port.setCommPort(was);
}

void baud_Click(ConfigScrnState& st, int index) {
    if (index < 0 || index > 7) return;
    st.rec.BaudStr = baudText(index);
    for (int i = 0; i < 8; ++i) st.baud[static_cast<size_t>(i)].setChecked(i == index);
}

void flow_Click(ConfigScrnState& st, int flowNo) {
    if (flowNo < 0 || flowNo > 3) return;
    st.rec.FlowNo = static_cast<int16_t>(flowNo);
    Control* flows[4] = {&st.NoFlow, &st.XonFlow, &st.RTSFlow, &st.BothFlow};
    for (int i = 0; i < 4; ++i) flows[i]->setChecked(i == flowNo);
}

void ATset_Click(ConfigScrnState& st, int index) {
    st.rec.ATIndex = static_cast<int16_t>(index);
    if (index >= 0 && index < static_cast<int>(st.ATset.size())) st.ATsetText = st.ATset[static_cast<size_t>(index)];
}

void RetryLabel_Click(ConfigScrnState& st) {
    st.rec.RetryVal = static_cast<int16_t>(st.rec.RetryVal + 5);
    if (st.rec.RetryVal > 60) st.rec.RetryVal = 0;
    st.RetryLabel.setCaption(" " + std::to_string(st.rec.RetryVal));
}

void shokiset_Click(Module1& m, MainformState& f, Services& s, ConfigScrnState& st) {
    std::string error;
    if (!default_save(m, &error))
        s.ui.msg(settingsPath(m) + ": " + error, MsgIcon::Exclamation, lang(m, text::kErrorTitle));
    moniport_set(m, f, st.rec);
    showList(st);
    screen_set(m, f, st);
}

void OKButton_Click(Module1& m, MainformState& f, Services& s, ConfigScrnState& st) {
    st.ATset.resize(5);
    const int index = st.rec.ATIndex;
    if (index >= 1 && index < 5) {
        // The chosen entry and the former first entry swap places.
        const std::string former = st.ATset[0];
        st.ATset[0] = upper(st.ATsetText);
        st.ATset[static_cast<size_t>(index)] = former;
    } else if (index == 0) {
        st.ATset[0] = upper(st.ATsetText);  // also a command typed in by hand
    }
    for (size_t i = 0; i < 5; ++i) st.rec.ATList[i] = st.ATset[i];
    st.rec.ATCmd = st.ATset[0];
    ComSet(m, f, st.rec);
    std::string error;
    if (!port_save(m, st.rec, &error))
        s.ui.msg(settingsPath(m) + ": " + error, MsgIcon::Exclamation, lang(m, text::kErrorTitle));
    st.Unloaded = true;
}

void CancelButton_Click(ConfigScrnState& st) { st.Unloaded = true; }

}  // namespace vt
