#include "media/Timeline.h"

#include <QFileInfo>
#include <cmath>

#include "base/PathLimits.h"

namespace {

constexpr int32_t kMaxStretchMode = 3;

const char* typeName(TimelineNodeType type) {
    switch (type) {
        case TimelineNodeType::Group:
            return "Group";
        case TimelineNodeType::Track:
            return "Track";
        case TimelineNodeType::Source:
            return "Source";
        case TimelineNodeType::Transition:
            return "Transition";
    }
    return "?";
}

Status lookUpFault(const TimelineFaults* faults, const std::string& operation) {
    if (!faults) {
        return status::kOk;
    }
    const auto found = faults->find(operation);
    return found == faults->end() ? status::kOk : found->second;
}

}  // namespace

int32_t rgb24RowStride(int32_t width) {
    const int64_t bytes = (int64_t(width) * 24 + 31) / 8;
    return static_cast<int32_t>(bytes / 4 * 4);
}

GroupMediaType GroupMediaType::video(int32_t width, int32_t height) {
    GroupMediaType type;
    type.major = Major::Video;
    type.width = width;
    type.height = height;
    type.bitCount = 24;
    type.imageSize = static_cast<int32_t>(int64_t(rgb24RowStride(width)) * std::abs(height));
    return type;
}

GroupMediaType GroupMediaType::audio() {
    GroupMediaType type;
    type.major = Major::Audio;
    return type;
}

TimelineObject::TimelineObject(TimelineNodeType type, std::shared_ptr<const TimelineFaults> faults)
    : type_(type), faults_(std::move(faults)) {}

Status TimelineObject::fault(const char* operation) const {
    return lookUpFault(faults_.get(), std::string(typeName(type_)) + '.' + operation);
}

Status TimelineObject::setStartStop(int64_t start, int64_t stop) {
    if (const Status injected = fault("SetStartStop"); failed(injected)) {
        return injected;
    }
    if (stop < start) {
        return status::kInvalidArgument;
    }
    start_ = start;
    stop_ = stop;
    return status::kOk;
}

TimelineSource::TimelineSource(std::shared_ptr<const TimelineFaults> faults)
    : TimelineObject(TimelineNodeType::Source, std::move(faults)) {}

Status TimelineSource::setMediaTimes(int64_t start, int64_t stop) {
    if (const Status injected = fault("SetMediaTimes"); failed(injected)) {
        return injected;
    }
    if (stop < start || start < 0) {
        return status::kInvalidArgument;
    }
    mediaStart_ = start;
    mediaStop_ = stop;
    return status::kOk;
}

Status TimelineSource::setMediaName(const QString& path) {
    if (const Status injected = fault("SetMediaName"); failed(injected)) {
        return injected;
    }
    if (path.isEmpty() || path.toUtf8().size() > kLongestPath) {
        return status::kInvalidArgument;
    }
    mediaName_ = path;
    return status::kOk;
}

Status TimelineSource::setStretchMode(int32_t mode) {
    if (const Status injected = fault("SetStretchMode"); failed(injected)) {
        return injected;
    }
    if (mode < 0 || mode > kMaxStretchMode) {
        return status::kInvalidArgument;
    }
    stretchMode_ = mode;
    return status::kOk;
}

Status PropertySetter::addProp(const Property& property) {
    if (property.name.isEmpty()) {
        return status::kInvalidArgument;
    }
    properties_.push_back(property);
    return status::kOk;
}

bool PropertySetter::find(const QString& name, int32_t* value) const {
    for (const Property& property : properties_) {
        if (property.name == name && property.time == 0) {
            *value = property.value;
            return true;
        }
    }
    return false;
}

TimelineTransition::TimelineTransition(std::shared_ptr<const TimelineFaults> faults)
    : TimelineObject(TimelineNodeType::Transition, std::move(faults)) {}

Status TimelineTransition::setSubObjectGuid(const QString& guid) {
    if (const Status injected = fault("SetSubObjectGUID"); failed(injected)) {
        return injected;
    }
    if (guid.size() != 38 || !guid.startsWith('{') || !guid.endsWith('}')) {
        return status::kInvalidArgument;
    }
    subObjectGuid_ = guid.toUpper();
    return status::kOk;
}

Status TimelineTransition::setPropertySetter(std::shared_ptr<PropertySetter> setter) {
    if (const Status injected = fault("SetPropertySetter"); failed(injected)) {
        return injected;
    }
    setter_ = std::move(setter);
    return status::kOk;
}

TimelineTrack::TimelineTrack(std::shared_ptr<const TimelineFaults> faults)
    : TimelineObject(TimelineNodeType::Track, std::move(faults)) {}

Status TimelineTrack::addSource(std::shared_ptr<TimelineSource> source) {
    if (const Status injected = fault("SrcAdd"); failed(injected)) {
        return injected;
    }
    if (!source) {
        return status::kPointer;
    }
    sources_.push_back(std::move(source));
    return status::kOk;
}

Status TimelineTrack::addTransition(std::shared_ptr<TimelineTransition> transition) {
    if (const Status injected = fault("TransAdd"); failed(injected)) {
        return injected;
    }
    if (!transition) {
        return status::kPointer;
    }
    for (const auto& existing : transitions_) {
        const bool overlaps =
            transition->start() < existing->stop() && existing->start() < transition->stop();
        const bool sameInstant = transition->start() == existing->start();
        if (overlaps || sameInstant) {
            return status::kInvalidArgument;
        }
    }
    transitions_.push_back(std::move(transition));
    return status::kOk;
}

TimelineGroup::TimelineGroup(std::shared_ptr<const TimelineFaults> faults)
    : TimelineObject(TimelineNodeType::Group, std::move(faults)) {}

Status TimelineGroup::setMediaType(const GroupMediaType& type) {
    if (const Status injected = fault("SetMediaType"); failed(injected)) {
        return injected;
    }
    if (type.major == GroupMediaType::Major::None) {
        return status::kInvalidMediaType;
    }
    if (type.major == GroupMediaType::Major::Video && (type.width <= 0 || type.height == 0)) {
        return status::kInvalidMediaType;
    }
    mediaType_ = type;
    return status::kOk;
}

Status TimelineGroup::setOutputFps(double framesPerSecond) {
    if (const Status injected = fault("SetOutputFPS"); failed(injected)) {
        return injected;
    }
    if (!std::isfinite(framesPerSecond) || framesPerSecond <= 0) {
        return status::kInvalidArgument;
    }
    outputFps_ = framesPerSecond;
    return status::kOk;
}

Status TimelineGroup::insertTrackBefore(std::shared_ptr<TimelineTrack> track, int position) {
    if (const Status injected = fault("VTrackInsBefore"); failed(injected)) {
        return injected;
    }
    if (!track) {
        return status::kPointer;
    }
    if (position < 0 || position >= static_cast<int>(tracks_.size())) {
        tracks_.push_back(std::move(track));
    } else {
        tracks_.insert(tracks_.begin() + position, std::move(track));
    }
    return status::kOk;
}

Timeline::Timeline() : faults_(std::make_shared<TimelineFaults>()) {}

Status Timeline::fault(const char* operation) const {
    return lookUpFault(faults_.get(), std::string("Timeline.") + operation);
}

Status Timeline::createEmptyNode(TimelineNodeType type, std::shared_ptr<TimelineObject>* node) {
    node->reset();
    if (const Status injected = fault((std::string("CreateEmptyNode.") + typeName(type)).c_str());
        failed(injected)) {
        return injected;
    }
    switch (type) {
        case TimelineNodeType::Group:
            *node = std::make_shared<TimelineGroup>(faults_);
            break;
        case TimelineNodeType::Track:
            *node = std::make_shared<TimelineTrack>(faults_);
            break;
        case TimelineNodeType::Source:
            *node = std::make_shared<TimelineSource>(faults_);
            break;
        case TimelineNodeType::Transition:
            *node = std::make_shared<TimelineTransition>(faults_);
            break;
    }
    return status::kOk;
}

Status Timeline::addGroup(std::shared_ptr<TimelineGroup> group) {
    if (const Status injected = fault("AddGroup"); failed(injected)) {
        return injected;
    }
    if (!group) {
        return status::kPointer;
    }
    groups_.push_back(std::move(group));
    return status::kOk;
}

Status Timeline::validateSourceNames(int flags, QString* missing) const {
    if (!(flags & kValidateCheck)) {
        return status::kOk;
    }
    for (const auto& group : groups_) {
        for (const auto& track : group->tracks()) {
            for (const auto& source : track->sources()) {
                if (!QFileInfo(source->mediaName()).isFile()) {
                    if (missing) {
                        *missing = source->mediaName();
                    }
                    return status::kFileNotFound;
                }
            }
        }
    }
    return status::kOk;
}

std::shared_ptr<TimelineGroup> Timeline::group(int index) const {
    if (index < 0 || index >= groupCount()) {
        return nullptr;
    }
    return groups_[static_cast<size_t>(index)];
}

void Timeline::injectFault(const std::string& operation, Status code) {
    (*faults_)[operation] = code;
}
