// SPDX-License-Identifier: MIT
// Linked with every object of one layer and only the layers below it, so
// that a layer calling upwards fails to link. Never run.
int main() { return 0; }
