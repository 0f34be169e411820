// SPDX-License-Identifier: LicenseRef-Vellix-Proprietary
