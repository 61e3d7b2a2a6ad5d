// Objects are drawn in list order; the depth buffer sorts their pixels.
#include "lws.h"

void LwsSort(void)
{
}
