#include "state/MainformState.h"

namespace vt {

std::vector<Control*> MainformState::controls() {
    std::vector<Control*> all = {
        &MFile,         &MOpenLog,     &MCloseLog,   &form_print, &MFileExit,   &MPort,     &mopen,      &para_tx,
        &tx_start,      &tx_stop,      &Lap_comand,  &tx_clr,     &Corse_trans, &Rate_S,    &Rate_M,     &Rate_L,
        &One_Down,      &Fast_Down,    &MSettings1,  &tel_no_set, &Sub_Port,    &Mopen_sub, &MSettings2, &list_disp,
        &all_lap_list,  &lap_seg_list, &seg_list,    &para_list,  &Corse_com,   &Corse_in,  &Free_In,    &Corse_edit,
        &MAIN_PARA_SET, &Frame2,       &Frame3,      &Frame4,     &dial_up,     &dial_down, &sub_up,     &sub_down,
        &Analize,       &Test_run,     &Test_stop,   &grf_2,      &grf_3,       &grf_4,     &grf_5,      &grf_6,
        &grf_7,         &Option1[0],   &Option1[1],  &Option1[2], &Check1,      &ANGL_CHK,  &CHK_AVR,    &Label1,
        &Label6,        &tuusin_state, &namae,       &hiniti,     &lap_no,      &lap_time,  &seg_d,      &SEG_TIME,
        &data_cont,     &TAIME_MADO,   &PIT_IN_TIME, &STOP_TIME,  &kaitensuu,   &sokudo,    &ondo1,      &ondo2,
        &kasoku,        &kaku_kasoku,  &handle,      &accel,      &af,          &prs,       &kyori,      &IL_G,
        &car,           &Label_Cur,    &Ref_com,     &Ref_best,   &Ref_file,    &Ref_clear, &Ref_paint,  &Ref_list,
        &grf_8,
    };
    return all;
}

namespace {

std::unique_ptr<MainformState> withPorts(std::unique_ptr<MainformState> f) {
    // Until a serial device is configured both ports are in-memory ones.
    f->MSComm1 = std::make_unique<MemoryCommPort>();
    f->MSComm2 = std::make_unique<MemoryCommPort>();
    return f;
}

}  // namespace

std::unique_ptr<MainformState> makeMainformState(const PictureFactory& pictures) {
    auto f = withPorts(std::make_unique<MainformState>());
    f->Picture1 = pictures(kPicture1W, kPicture1H);
    f->Picture2 = pictures(kPicture2W, kPicture2H);
    f->Picture3 = pictures(kPicture3W, kPicture3H);
    return f;
}

std::unique_ptr<MainformState> makeRecordingMainformState() {
    return makeMainformState([](int w, int h) { return std::make_unique<RecordingCanvas>(w, h); });
}

}  // namespace vt
