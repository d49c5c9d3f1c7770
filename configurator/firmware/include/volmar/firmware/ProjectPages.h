#pragma once

// The project's web pages, opened by the about box and the donation button.
// Both addresses are set here and nowhere else.

namespace volmar::firmware {

inline constexpr const char* kProjectPage = "https://volmar.example.org/";
inline constexpr const char* kDonationPage = "https://volmar.example.org/donate";

} // namespace volmar::firmware
