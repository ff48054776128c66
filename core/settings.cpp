// Settings loader.
#include "shared.h"
#include "exports.h"

void WINAPI RequestSettings_(void)
{
}
