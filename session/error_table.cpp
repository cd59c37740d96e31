#include "error_table.h"

#include "framing.h"
#include "status.h"
#include "usb.h"
#include "velspec_records.h"
#include "wrapper.h"

namespace velscan {

namespace {

using D = ErrorDomain;

#define ENTRY(domain, code, text) \
    { domain, code, #code, text }

constexpr ErrorInfo kErrors[] = {
    ENTRY(D::Session, kOk, "success"),
    ENTRY(D::Session, kErrNotFound, "no instrument found"),
    ENTRY(D::Session, kErrCannotOpen, "the instrument was found but cannot be opened"),
    ENTRY(D::Session, kErrArgument, "a value is out of range or a name is unknown"),
    ENTRY(D::Session, kErrInputFile, "an input file is unreadable or malformed"),
    ENTRY(D::Session, kErrMismatch, "the wavelengths of a file do not match the scan's"),
    ENTRY(D::Session, kErrOutputFile, "an output file cannot be written"),
    ENTRY(D::Session, kErrInstrument, "a step on the instrument failed"),
    ENTRY(D::Session, kErrScanTimeout, "the instrument never reported the scan finished"),
    ENTRY(D::Session, kErrClosed, "the instrument is not open"),
    ENTRY(D::Session, kErrNoMemory, "out of memory"),
    ENTRY(D::Session, kErrImplausible, "the instrument reported an implausible value"),

    ENTRY(D::DeviceApi, VEL_OK, "success"),
    ENTRY(D::DeviceApi, VEL_ERR_OPEN, "the device could not be opened"),
    ENTRY(D::DeviceApi, VEL_ERR_NUM_CONFIGS,
          "the number of stored configurations could not be read, or is 0"),
    ENTRY(D::DeviceApi, VEL_ERR_SELECT_CONFIG, "selecting the configuration failed"),
    ENTRY(D::DeviceApi, VEL_ERR_CONFIG_INDEX, "no configuration is stored in that slot"),
    ENTRY(D::DeviceApi, VEL_ERR_READ_CONFIG, "the configuration could not be read"),
    ENTRY(D::DeviceApi, VEL_ERR_START_SCAN, "starting the scan failed"),
    ENTRY(D::DeviceApi, VEL_ERR_SCAN_SIZE, "the size of the scan data could not be read"),
    ENTRY(D::DeviceApi, VEL_ERR_FILE, "a file could not be fetched whole from the device"),
    ENTRY(D::DeviceApi, VEL_ERR_POINT_COUNT, "the point count is outside what the scan holds"),
    ENTRY(D::DeviceApi, VEL_ERR_GET_GAIN, "reading the amplifier gain failed"),
    ENTRY(D::DeviceApi, VEL_ERR_SET_AVERAGE, "setting the number of averaged scans failed"),
    ENTRY(D::DeviceApi, VEL_ERR_TOO_MANY_POINTS, "more wavelengths asked for than 228"),
    ENTRY(D::DeviceApi, VEL_ERR_INTERPRET, "the scan data could not be interpreted"),
    ENTRY(D::DeviceApi, VEL_ERR_REFERENCE, "the stored reference could not be recomputed"),
    ENTRY(D::DeviceApi, VEL_ERR_BLUETOOTH_ON, "switching the radio on failed"),
    ENTRY(D::DeviceApi, VEL_ERR_BLUETOOTH_OFF, "switching the radio off failed"),
    ENTRY(D::DeviceApi, VEL_ERR_BUTTON, "the button test failed"),
    ENTRY(D::DeviceApi, VEL_ERR_BUTTON_DISABLE, "ending the button test failed"),
    ENTRY(D::DeviceApi, VEL_ERR_NULL_ARGUMENT, "a required pointer was null"),
    ENTRY(D::DeviceApi, VEL_ERR_SET_GAIN, "setting the amplifier gain failed"),

    {D::Command, 0, "ZOR_OK", "success"},
    ENTRY(D::Command, ZOR_ERR_TRANSPORT, "the USB transfer failed"),
    ENTRY(D::Command, ZOR_ERR_STATUS3, "the device reported an error (status 3)"),
    ENTRY(D::Command, ZOR_ERR_STATUS2, "the device reported an error (status 2)"),
    ENTRY(D::Command, ZOR_ERR_REJECTED, "the device refused the command or its reply was malformed"),
    ENTRY(D::Command, ZOR_ERR_TIMEOUT, "the device did not answer in time"),
    ENTRY(D::Command, USB_ERR_INIT, "the HID library could not be initialised"),
    ENTRY(D::Command, USB_ERR_OPEN, "the HID device could not be opened"),
    ENTRY(D::Command, USB_ERR_WRITE_CLOSED, "write to a device that is not open"),
    ENTRY(D::Command, USB_ERR_READ_CLOSED, "read from a device that is not open"),

    ENTRY(D::Spectral, VELSPEC_OK, "success"),
    ENTRY(D::Spectral, VELSPEC_ERR_FAILED, "a check failed or there is no solution"),
    ENTRY(D::Spectral, VELSPEC_ERR_BAD_INPUT, "a record value is out of range"),
    ENTRY(D::Spectral, VELSPEC_ERR_NO_MEMORY, "out of memory or a buffer too small"),
    ENTRY(D::Spectral, VELSPEC_ERR_SERIALIZE, "the record image could not be decoded or encoded"),
    ENTRY(D::Spectral, VELSPEC_ERR_BAD_TYPE, "unknown scan type"),
    ENTRY(D::Spectral, VELSPEC_ERR_NULL, "a required pointer was null"),
};

#undef ENTRY

}  // namespace

std::span<const ErrorInfo> ErrorTable() { return kErrors; }

const ErrorInfo *FindError(int code, ErrorDomain domain) {
    for (const ErrorInfo &entry : kErrors) {
        if (entry.domain == domain && entry.code == code) {
            return &entry;
        }
    }
    return nullptr;
}

const char *ErrorText(int code, ErrorDomain domain) {
    const ErrorInfo *entry = FindError(code, domain);
    return entry ? entry->text : "unknown error";
}

}  // namespace velscan
