#pragma once

// The style sheets that colour the device buttons and indicators, kept in
// one place because the form, the mode display and the status query share
// them.

namespace stylesheets {

inline constexpr char kGreyButton[] = "color: rgb(255, 255, 255); background-color: rgb(180, 180, 180);";
inline constexpr char kGreySquare[] = "background-color: rgb(180, 180, 180);";
inline constexpr char kStatusButton[] = "color: rgb(255, 255, 255); background-color: rgb(0, 121, 89);";
inline constexpr char kGreenButton[] = "color: rgb(255, 255, 255); background-color: rgb(60, 165, 55);";
inline constexpr char kVerifyButton[] = "color: rgb(130, 130, 130); background-color: rgb(255, 222, 55);";
inline constexpr char kReadoutButton[] = "color: rgb(255, 255, 255); background-color: rgb(216, 79, 79);";
inline constexpr char kRedButton[] = "color: rgb(255, 255, 255); background-color: rgb(255, 0, 0);";
inline constexpr char kInputActive[] = "background-color: rgb(255, 170, 0);";
inline constexpr char kOutputOn[] = "background-color: rgb(255, 0, 0);";
inline constexpr char kSignalWeak[] = "QProgressBar::chunk { background-color: #FF0000; }";
inline constexpr char kSignalGood[] = "QProgressBar::chunk { background-color: #05B8CC; }";

} // namespace stylesheets
