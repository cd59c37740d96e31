/* Builds against the installed velscan.h and libvelscan.so only, as a plain
 * C11 program: takes a scan on the virtual spectrometer, writes it as CSV to
 * the file named on the command line and reads it back. */
#include <stdio.h>
#include <stdlib.h>

#include <velscan/velscan.h>

static int failed(const char *step, int32_t code) {
    printf("%s: %s (%d): %s\n", step, velscan_strerror(code), (int)code, velscan_last_error_message());
    return 1;
}

int main(int argc, char **argv) {
    velscan_device *device = NULL;
    velscan_spectrum *scan = NULL, *back = NULL;
    size_t points = 0, read_points = 0;
    double *intensity;
    int32_t code;

    if (argc != 2) {
        printf("usage: installed_capi OUTPUT.csv\n");
        return 2;
    }
    if ((code = velscan_open_virtual("white", &device)) != VELSCAN_OK) return failed("open", code);
    if ((code = velscan_scan(device, 0, 0, &scan)) != VELSCAN_OK) return failed("scan", code);
    if ((code = velscan_spectrum_points(scan, &points)) != VELSCAN_OK) return failed("points", code);
    intensity = malloc(points * sizeof *intensity);
    if (intensity == NULL) return 1;
    if ((code = velscan_spectrum_values(scan, VELSCAN_VALUES_INTENSITY, intensity, points)) != VELSCAN_OK)
        return failed("values", code);
    if ((code = velscan_spectrum_write(scan, argv[1], "csv")) != VELSCAN_OK) return failed("write", code);
    if ((code = velscan_spectrum_read(argv[1], &back)) != VELSCAN_OK) return failed("read", code);
    if ((code = velscan_spectrum_points(back, &read_points)) != VELSCAN_OK || read_points != points)
        return failed("read back", code);
    if (velscan_close(device) != VELSCAN_OK || velscan_close(device) != VELSCAN_ERR_BAD_HANDLE)
        return failed("close twice", VELSCAN_ERR_INTERNAL);
    printf("velscan %s (header %d.%d.%d): %u points, first intensity %.0f\n", velscan_version_string(),
           VELSCAN_VERSION_MAJOR, VELSCAN_VERSION_MINOR, VELSCAN_VERSION_PATCH, (unsigned)points,
           intensity[0]);
    free(intensity);
    velscan_spectrum_free(scan);
    velscan_spectrum_free(back);
    return 0;
}
