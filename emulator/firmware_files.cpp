// Files: delivered in pieces after ZOR_GetFileSizeToRead, received in pieces
// after ZOR_SetFileSizeAndAction.
#include <algorithm>

#include "byte_order.h"
#include "firmware.h"

namespace virt {

namespace {

constexpr uint32_t kUploadMax = 64 * 1024;

}  // namespace

Reply Firmware::GetFileSizeToRead(const Request &r) {
    uint32_t type = GetU32(r.data);
    if (type != kFileScanData && type != kFileRefCal && type != kFileMatrix)
        return Reply::Reject(kRejectBadArgument);
    vol.download = FileImage(type);
    vol.download_pos = 0;
    vol.download_open = true;
    download_type = type;
    std::vector<uint8_t> payload;
    PutU32(payload, static_cast<uint32_t>(vol.download.size()));
    return Reply::Data(std::move(payload));
}

Reply Firmware::GetFileData(const Request &) {
    if (!vol.download_open || vol.download_pos >= vol.download.size())
        return Reply::Reject(kRejectBadArgument);
    size_t limit = serial_link_pieces ? kSerialPieceData : kPieceMax;
    size_t n = std::min(limit, vol.download.size() - vol.download_pos);
    auto first = vol.download.begin() + static_cast<std::ptrdiff_t>(vol.download_pos);
    std::vector<uint8_t> payload(first, first + static_cast<std::ptrdiff_t>(n));
    vol.download_pos += n;
    if (serial_link_pieces) {
        // The serial link closes each piece with a 16-bit sum of its bytes.
        uint16_t sum = 0;
        for (uint8_t b : payload) sum = static_cast<uint16_t>(sum + b);
        PutU16(payload, sum);
    }
    return Reply::Data(std::move(payload));
}

Reply Firmware::SetFileSizeAndAction(const Request &r) {
    uint32_t size = GetU32(r.data);
    if (size == 0 || size > kUploadMax) return Reply::Reject(kRejectBadArgument);
    vol.upload_size = size;
    vol.upload_action = GetU16(r.data + 4);
    vol.upload.clear();
    return Reply::Ack();
}

Reply Firmware::WriteFileData(const Request &r) {
    if (!vol.upload_size) return Reply::Reject(kRejectBadArgument);
    if (r.length == 0 || vol.upload.size() + r.length > *vol.upload_size)
        return Reply::Reject(kRejectBadLength);
    vol.upload.insert(vol.upload.end(), r.data, r.data + r.length);
    uint32_t received = static_cast<uint32_t>(vol.upload.size());
    if (vol.upload.size() == *vol.upload_size) {
        last_upload = vol.upload;
        last_upload_action = vol.upload_action;
        if (vol.upload_action == kFileRefCal) stored.refcal_file = last_upload;
        if (vol.upload_action == kFileMatrix) stored.matrix_file = last_upload;
        vol.upload_size.reset();
        vol.upload.clear();
    }
    return Reply::AckValue(received);
}

}  // namespace virt
