/* Builds against the installed header and library (through pkg-config) as a
 * plain C program: proves the public header is C and the shared library
 * exports the device API. With no instrument attached the open must fail. */
#include <stdio.h>
#include <string.h>

#include <wrapper.h>

int main(void) {
    slewScanCfg config;
    double wavelengths[VEL_MAX_WAVELENGTHS];
    int32_t found = velInitUsb(), opened;

    memset(&config, 0, sizeof config);
    if (found < 0) {
        printf("velInitUsb failed: %d\n", (int)found);
        return 1;
    }
    opened = velOpenByUsb(0);
    if (found == 0 && opened != VEL_ERR_OPEN) {
        printf("open without a device returned %d\n", (int)opened);
        return 1;
    }
    if (velGetWavelengths(wavelengths, VEL_MAX_WAVELENGTHS + 1) != VEL_ERR_TOO_MANY_POINTS) {
        printf("count limit not enforced\n");
        return 1;
    }
    velClose(0);
    printf("devices: %d, open: %d, sizeof(scanResults): %u\n", (int)found, (int)opened,
           (unsigned)sizeof(scanResults));
    return 0;
}
