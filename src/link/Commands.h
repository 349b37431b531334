// The command protocol: every request to the logger is a short ASCII text framed as STX, text,
// ETB and written to the main port by tx_data; the menu entries that send one command each.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Services.h"
#include "state/MainformState.h"
#include "state/Module1.h"

namespace vt {

// tx_data's results: 2001 or more is a failure.
constexpr int16_t kTxNotDrained = 2001;  // the frame did not leave the port in time
constexpr int16_t kTxPortClosed = 10000;
inline bool txFailed(int16_t result) { return result >= kTxNotDrained; }

// Sends the command text in LogFileName: shows the wait window, writes the frame ("RAT",
// "STO" and "CLR" commands at once, then a second's pause; the others after the pause), then
// lets events run until the port's output has drained, at most 2000 rounds of about a
// millisecond. Returns the rounds spent, kTxNotDrained or kTxPortClosed.
//
// expectFrames: the logger answers with frames (start, parameters, download), so frames are
// expected (RxOn) before the command goes out: a logger that answers at once is heard as frames
// rather than as modem text. On failure RxOn is False again.
int16_t tx_data(Module1& m, MainformState& f, Services& s, bool expectFrames = false);

// Sends `text` through LogFileName as the menu procedures do.
int16_t send_command(Module1& m, MainformState& f, Services& s, const std::string& text, bool expectFrames = false);

// The menu entries. Each shows language text 140 and beeps when the command was not sent.
void tx_start_Click(Module1& m, MainformState& f, Services& s);  // "STRT": the live stream
void tx_stop_Click(Module1& m, MainformState& f, Services& s);   // "STOP"
void tx_clr_Click(Module1& m, MainformState& f, Services& s);    // "CLR": the logger's clear button
void para_tx_Click(Module1& m, MainformState& f, Services& s);   // "PARA": the logger's settings
void Rate_L_Click(Module1& m, MainformState& f, Services& s);    // "RATL"
void Rate_M_Click(Module1& m, MainformState& f, Services& s);    // "RATM"
void Rate_S_Click(Module1& m, MainformState& f, Services& s);    // "RATS"
// Course transfer: asks for the course number (0..9) and sends "CRS<n>-<seg 1>-...-".
void Corse_trans_Click(Module1& m, MainformState& f, Services& s);
// The course transfer text of a course number as typed and the segment texts seg_str(1..15).
std::string course_text(const std::string& number, const MainformState& f);

}  // namespace vt
