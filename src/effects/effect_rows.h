// effect_rows.h -- row makers of the effect loaders' keyword tables: envelope tracks and images by name, with the
// log lines of the fields that cannot be filled.
#pragma once

#include <memory>
#include <string>
#include <type_traits>

#include "anim/envelope_field.h"
#include "core/log.h"
#include "data/keyword_table.h"
#include "effects/animated_value.h"

namespace qv3rn {

// The envelope a track row fills: an envelope field, or the track of an animated value.
inline std::unique_ptr<Envelope>& trackOf(std::unique_ptr<Envelope>& field) { return field; }
inline std::unique_ptr<Envelope>& trackOf(AnimatedValue& value) { return value.track; }

// "ERROR! <className> "<effect name>" <what>", the line an effect's field logs when it cannot be filled.
inline void logFieldError(const char* className, const std::string& effectName, const std::string& what) {
    logger().printf("ERROR! %s \"%s\" %s", className, effectName.c_str(), what.c_str());
}

namespace detail {

template <typename Field>
Row<MemberClassOf<Field>> trackRow(std::string keyword, Field field, FieldClose close, const char* className,
                                   std::string what) {
    using Target = MemberClassOf<Field>;
    return {std::move(keyword), [=](Target& target, BlockLine& line) {
                std::unique_ptr<Envelope>& track = trackOf(target.*field);
                track = readEnvelopeField(line, close);
                if (!track && className) logFieldError(className, target.name(), "unable to load " + what + " track");
            }};
}

template <typename Field>
Row<MemberClassOf<Field>> imageRow(std::string keyword, Field field, const char* className, std::string what) {
    using Target = MemberClassOf<Field>;
    return {std::move(keyword), [=](Target& target, BlockLine& line) {
                const std::string name = quotedText(line.text);
                bool found = false;
                if constexpr (std::is_member_function_pointer_v<Field>)
                    found = (target.*field)(name);
                else
                    found = (target.*field).take(name);
                if (!found && className)
                    logFieldError(className, target.name(), "unable to find " + what + " \"" + name + "\"");
            }};
}

}  // namespace detail

// An envelope field into `field` (an envelope, or an animated value's track); the field's closing line is read
// and dropped. A field the envelope reader turns down is left empty; with `what` ("alpha") it also logs
// "unable to load alpha track" under the class's logName.
template <typename Field>
Row<MemberClassOf<Field>> track(std::string keyword, Field field) {
    return detail::trackRow(std::move(keyword), field, FieldClose::ReadClosingLine, nullptr, {});
}
template <typename Field>
Row<MemberClassOf<Field>> track(std::string keyword, Field field, std::string what) {
    return detail::trackRow(std::move(keyword), field, FieldClose::ReadClosingLine, MemberClassOf<Field>::logName,
                            std::move(what));
}
// An envelope field whose closing line is left in the stream, where it closes the effect block too (the
// "Alpha { " field of TextFade and Stream blocks, which must come last).
template <typename Field>
Row<MemberClassOf<Field>> openTrack(std::string keyword, Field field) {
    return detail::trackRow(std::move(keyword), field, FieldClose::LeaveOpen, nullptr, {});
}

// A quoted image name looked up in the image registry, through `field`: a setter (bool setImage(name)) or a
// held image (take(name)). With `what` ("font"), a name the registry lacks logs "unable to find font "name""
// under the class's logName.
template <typename Field>
Row<MemberClassOf<Field>> image(std::string keyword, Field field) {
    return detail::imageRow(std::move(keyword), field, nullptr, {});
}
template <typename Field>
Row<MemberClassOf<Field>> image(std::string keyword, Field field, std::string what) {
    return detail::imageRow(std::move(keyword), field, MemberClassOf<Field>::logName, std::move(what));
}

}  // namespace qv3rn
