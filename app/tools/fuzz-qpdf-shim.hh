// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// Included first by the fuzz builds. clang 14 with libstdc++ 12 in C++20
// mode cannot compile qpdf's JSON.hh (a vector of the class being defined);
// the core uses nothing of it, so a declaration takes its place.
#pragma once
#define JSON_HH
class JSON;
