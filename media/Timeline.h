#pragma once

#include <QList>
#include <QString>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "media/Status.h"

// The editing timeline the conversion is described in: groups (one per output stream) hold
// tracks, tracks hold sources and transitions. It is a plain model with status codes; the render
// step turns it into a GStreamer Editing Services timeline. Times are 100-ns units.

enum class TimelineNodeType { Group, Track, Source, Transition };

class TimelineGroup;
class TimelineTrack;
class TimelineSource;
class TimelineTransition;
class PropertySetter;

// Lets tests make chosen operations fail, to exercise the messages of their callers. An
// operation is named by node type and method, e.g. "Source.SetMediaTimes".
using TimelineFaults = std::map<std::string, Status>;

// Frame description of a group. Video groups carry an uncompressed 24-bit RGB frame.
struct GroupMediaType {
    enum class Major { None, Video, Audio };
    Major major = Major::None;
    int32_t width = 0;
    int32_t height = 0;
    int32_t bitCount = 0;
    int32_t imageSize = 0;  // bytes of one frame

    static GroupMediaType video(int32_t width, int32_t height);
    static GroupMediaType audio();
};

// Bytes of one row of a 24-bit RGB frame: padded to a multiple of 4.
int32_t rgb24RowStride(int32_t width);

class TimelineObject {
  public:
    virtual ~TimelineObject() = default;
    TimelineObject(const TimelineObject&) = delete;
    TimelineObject& operator=(const TimelineObject&) = delete;

    TimelineNodeType type() const { return type_; }

    Status setStartStop(int64_t start, int64_t stop);
    int64_t start() const { return start_; }
    int64_t stop() const { return stop_; }

    // The interface of the node's type, or nullptr when it is of another type.
    virtual TimelineGroup* asGroup() { return nullptr; }
    virtual TimelineTrack* asTrack() { return nullptr; }
    virtual TimelineSource* asSource() { return nullptr; }
    virtual TimelineTransition* asTransition() { return nullptr; }

  protected:
    TimelineObject(TimelineNodeType type, std::shared_ptr<const TimelineFaults> faults);
    // The injected failure of an operation, or kOk.
    Status fault(const char* operation) const;

  private:
    TimelineNodeType type_;
    std::shared_ptr<const TimelineFaults> faults_;
    int64_t start_ = 0;
    int64_t stop_ = 0;
};

class TimelineSource : public TimelineObject {
  public:
    explicit TimelineSource(std::shared_ptr<const TimelineFaults> faults);
    TimelineSource* asSource() override { return this; }

    Status setMediaTimes(int64_t start, int64_t stop);
    // Whether the media stop is the end of the file: it is then read to its end, not to a time
    // that GStreamer may only have estimated.
    void setPlaysToEnd(bool toEnd) { playsToEnd_ = toEnd; }
    // The streams of the file this source carries, by stream id, each into its own output track;
    // empty: the first of its kind.
    void setKeptStreams(std::vector<QString> streamIds) { keptStreams_ = std::move(streamIds); }
    Status setMediaName(const QString& path);
    // 0 stretch to the frame, 1 crop, 2 keep the aspect ratio with borders, 3 fill and crop.
    Status setStretchMode(int32_t mode);

    int64_t mediaStart() const { return mediaStart_; }
    int64_t mediaStop() const { return mediaStop_; }
    bool playsToEnd() const { return playsToEnd_; }
    const std::vector<QString>& keptStreams() const { return keptStreams_; }
    const QString& mediaName() const { return mediaName_; }
    int32_t stretchMode() const { return stretchMode_; }

  private:
    int64_t mediaStart_ = 0;
    int64_t mediaStop_ = 0;
    bool playsToEnd_ = false;
    std::vector<QString> keptStreams_;
    QString mediaName_;
    int32_t stretchMode_ = 0;
};

// Timed values of one named property of a transition.
class PropertySetter {
  public:
    enum class Interpolation { Jump, Linear };
    struct Property {
        QString name;
        int32_t value = 0;
        int64_t time = 0;
        Interpolation interpolation = Interpolation::Jump;
    };

    Status addProp(const Property& property);
    const std::vector<Property>& properties() const { return properties_; }
    // The value of a property at time 0, when it is set.
    bool find(const QString& name, int32_t* value) const;

  private:
    std::vector<Property> properties_;
};

class TimelineTransition : public TimelineObject {
  public:
    explicit TimelineTransition(std::shared_ptr<const TimelineFaults> faults);
    TimelineTransition* asTransition() override { return this; }

    // Which effect the transition is, by class identifier text "{...}".
    Status setSubObjectGuid(const QString& guid);
    Status setPropertySetter(std::shared_ptr<PropertySetter> setter);

    const QString& subObjectGuid() const { return subObjectGuid_; }
    const std::shared_ptr<PropertySetter>& propertySetter() const { return setter_; }

  private:
    QString subObjectGuid_;
    std::shared_ptr<PropertySetter> setter_;
};

class TimelineTrack : public TimelineObject {
  public:
    explicit TimelineTrack(std::shared_ptr<const TimelineFaults> faults);
    TimelineTrack* asTrack() override { return this; }

    Status addSource(std::shared_ptr<TimelineSource> source);
    // Transitions on one track may not overlap.
    Status addTransition(std::shared_ptr<TimelineTransition> transition);

    const std::vector<std::shared_ptr<TimelineSource>>& sources() const { return sources_; }
    const std::vector<std::shared_ptr<TimelineTransition>>& transitions() const {
        return transitions_;
    }

  private:
    std::vector<std::shared_ptr<TimelineSource>> sources_;
    std::vector<std::shared_ptr<TimelineTransition>> transitions_;
};

class TimelineGroup : public TimelineObject {
  public:
    explicit TimelineGroup(std::shared_ptr<const TimelineFaults> faults);
    TimelineGroup* asGroup() override { return this; }

    Status setMediaType(const GroupMediaType& type);
    Status setOutputFps(double framesPerSecond);
    // position -1 appends; otherwise the track goes before the track at that position.
    Status insertTrackBefore(std::shared_ptr<TimelineTrack> track, int position);

    const GroupMediaType& mediaType() const { return mediaType_; }
    double outputFps() const { return outputFps_; }
    const std::vector<std::shared_ptr<TimelineTrack>>& tracks() const { return tracks_; }

  private:
    GroupMediaType mediaType_;
    double outputFps_ = 15.0;
    std::vector<std::shared_ptr<TimelineTrack>> tracks_;
};

class Timeline {
  public:
    // Flags of validateSourceNames.
    static constexpr int kValidateCheck = 1;
    static constexpr int kValidatePopup = 2;
    static constexpr int kValidateReplace = 8;

    Timeline();

    Status createEmptyNode(TimelineNodeType type, std::shared_ptr<TimelineObject>* node);
    Status addGroup(std::shared_ptr<TimelineGroup> group);
    // Checks that every source file exists; kFileNotFound names the first missing one.
    Status validateSourceNames(int flags, QString* missing = nullptr) const;

    int groupCount() const { return static_cast<int>(groups_.size()); }
    std::shared_ptr<TimelineGroup> group(int index) const;

    void injectFault(const std::string& operation, Status code);

  private:
    Status fault(const char* operation) const;

    std::shared_ptr<TimelineFaults> faults_;
    std::vector<std::shared_ptr<TimelineGroup>> groups_;
};
