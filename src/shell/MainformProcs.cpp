#include "shell/MainformProcs.h"

#include <filesystem>
#include <utility>

#include "course/DemoCourse.h"
#include "course/RefChoice.h"
#include "dialup/DialUp.h"
#include "display/Graphs.h"
#include "link/Ports.h"
#include "link/Receive.h"
#include "logdata/Conversions.h"
#include "state/MenuGroups.h"

namespace vt {

void caption_load(Module1& m, MainformState& f) {
    const std::pair<Control*, int> table[] = {
        {&f.MFile, 12},        {&f.MOpenLog, 13},   {&f.MCloseLog, 14},      {&f.form_print, 15}, {&f.MFileExit, 16},
        {&f.MPort, 17},        {&f.mopen, 18},      {&f.para_tx, 19},        {&f.tx_start, 20},   {&f.tx_stop, 21},
        {&f.Lap_comand, 22},   {&f.tx_clr, 23},     {&f.Corse_trans, 24},    {&f.Rate_S, 25},     {&f.Rate_M, 26},
        {&f.Rate_L, 27},       {&f.One_Down, 28},   {&f.Fast_Down, 29},      {&f.MSettings1, 30}, {&f.tel_no_set, 31},
        {&f.Sub_Port, 32},     {&f.Mopen_sub, 33},  {&f.MSettings2, 34},     {&f.list_disp, 35},  {&f.all_lap_list, 36},
        {&f.lap_seg_list, 37}, {&f.seg_list, 38},   {&f.para_list, 39},      {&f.Corse_com, 40},  {&f.Corse_in, 41},
        {&f.Free_In, 42},      {&f.Corse_edit, 43}, {&f.MAIN_PARA_SET, 257}, {&f.Frame2, 49},     {&f.Frame3, 50},
        {&f.Frame4, 51},       {&f.dial_up, 52},    {&f.sub_up, 52},         {&f.dial_down, 53},  {&f.sub_down, 53},
        {&f.Label6, 54},       {&f.Analize, 55},    {&f.Test_run, 56},       {&f.Test_stop, 57},  {&f.tuusin_state, 58},
    };
    for (const auto& [control, n] : table) control->setCaption(lang(m, n));
    compare_caption_load(m, f);
}

void wire_events(Module1& m, MainformState& f, Services& s) {
    install_link_events(m, f, s);
    install_dialup_events(m, f, s);
}

bool makeFolder(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return true;
    return std::filesystem::create_directories(path, ec) || std::filesystem::is_directory(path, ec);
}

void Form_Load(Module1& m, MainformState& f, Services& s) {
    m.SpeedUnit = 0;
    f.Check1.setVisible(false);
    f.ANGL_CHK.setVisible(false);
    caption_load(m, f);
    m.CrLfStr = "\r\n";
    m.LfStr = "\n";
    m.CrStr = "\r";
    f.LiveByteFlag = 0;
    port_init(f);
    af_table_build(f.AfTable);
    m.GraphKind = 3;
    m.SegMinLen = 10;
    for (const std::string* dir : {&m.ParaDir, &m.CorseDir, &m.LogDir}) {
        m.LogFileName = *dir;
        makeFolder(*dir);  // a folder that cannot be made stops nothing here
    }
    f.CHK_AVR.setCaption("OFF");
    Pause(s, 1.0f);
    m.CourseLen = 1000;
    demo_course(m, f, s);
    grf_refresh(m, f);
    for (Control* c : {&f.dial_down, &f.sub_down, &f.tx_stop, &f.Lap_comand, &f.Test_run, &f.Analize, &f.Test_stop})
        c->setEnabled(false);
    m.ReplayOn = 0;
    f.AnalyzeOn = 0;
    f.Label_Cur.setVisible(false);
    f.Corse_trans.setEnabled(false);
    link_menu_off(f);
    f.LinkCounter = 0;
    CalendarDate today = s.clock.now();
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d/%02d/%02d", today.year, today.month, today.day);
    f.hiniti.setCaption(std::string(buf) + "  ");
}

bool Form_Unload(Module1&, MainformState& f, Services& s) {
    CommPort& port = *f.MSComm1;
    if (!port.portOpen()) return false;
    int64_t since = s.clock.msecs();
    while (port.outBufferCount() > 0) {
        s.pump.idle(50);
        if (s.clock.msecs() - since < 10000) continue;
        MsgResult r =
            s.ui.msgBox("ﾃﾞｰﾀを送信することができません。", MsgButtons::AbortRetryIgnore, MsgIcon::Question, "");
        if (r == MsgResult::Abort) return true;
        if (r == MsgResult::Ignore) break;
        since = s.clock.msecs();  // Retry: another ten seconds
    }
    std::string error;
    port.setPortOpen(false, &error);
    return false;
}

void MFileExit_Click(Module1& m, MainformState& f) {
    std::string error;
    if (f.MSComm1->portOpen()) f.MSComm1->setPortOpen(false, &error);
    if (f.MSComm2->portOpen()) f.MSComm2->setPortOpen(false, &error);
    m.DataFileNo = 0;  // files are opened and closed within their procedures
}

}  // namespace vt
