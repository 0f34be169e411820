// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
#include "startup.hh"

int main(int argc, char** argv) {
    return vellix::run_application(argc, argv);
}
