#include "instrument.h"

namespace velscan {

namespace {
Status NotImplemented() { return Status::Fail(kErrInstrument, "not implemented"); }
}  // namespace

struct Instrument::State {
    std::string serial;
};

Status ListDevices(std::vector<DeviceEntry> &) { return NotImplemented(); }
Status ParseSample(std::string_view, VirtualSample &) { return NotImplemented(); }
std::string_view SampleName(VirtualSample) { return "white"; }
std::string_view ScanKindName(ScanKind) { return "column"; }

double Configuration::start_nm() const { return sections.empty() ? 0 : sections.front().start_nm; }
double Configuration::end_nm() const { return sections.empty() ? 0 : sections.back().end_nm; }
int Configuration::points() const {
    int total = 0;
    for (const Section &section : sections) {
        total += section.points;
    }
    return total;
}

Instrument::Instrument() : state_(std::make_unique<State>()) {}
Instrument::~Instrument() = default;

Status Instrument::Open(const OpenRequest &, std::unique_ptr<Instrument> &) { return NotImplemented(); }
const std::string &Instrument::Serial() const { return state_->serial; }
Status Instrument::Info(InstrumentInfo &) { return NotImplemented(); }
Status Instrument::Configurations(std::vector<Configuration> &) { return NotImplemented(); }
Status Instrument::GetConfiguration(int, Configuration &) { return NotImplemented(); }
Status Instrument::AddConfiguration(const Configuration &, Configuration &) { return NotImplemented(); }
Status Instrument::EraseConfigurations() { return NotImplemented(); }
Status Instrument::Scan(const ScanRequest &, Spectrum &) { return NotImplemented(); }
Status Instrument::Reference(const Spectrum &, Spectrum &) { return NotImplemented(); }
Status Instrument::Reopen(std::chrono::milliseconds) { return NotImplemented(); }

}  // namespace velscan
