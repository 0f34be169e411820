// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
int main() { return 0; }
