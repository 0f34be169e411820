// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
// Placeholder until the module's tests land.
#include <gtest/gtest.h>
