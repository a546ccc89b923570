// MulDiv: a × b / c through 64 bits, rounded half away from zero.
#include "platform/win32.h"

int WINAPI MulDiv(int nNumber, int nNumerator, int nDenominator) {
    if (nDenominator == 0) return -1;
    long long product = static_cast<long long>(nNumber) * nNumerator;
    long long half = (nDenominator < 0 ? -nDenominator : nDenominator) / 2;
    bool negative = (product < 0) != (nDenominator < 0);
    long long magnitude = (product < 0 ? -product : product);
    long long divisor = nDenominator < 0 ? -static_cast<long long>(nDenominator) : nDenominator;
    long long result = (magnitude + half) / divisor;
    if (result > 0x7FFFFFFF) return -1;
    return static_cast<int>(negative ? -result : result);
}
