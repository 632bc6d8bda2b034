// The probe variant of the test VM imports qzprobe.dll (probe.cpp).
extern "C" __declspec(dllimport) int qzprobe();
const int probeImported = qzprobe();
