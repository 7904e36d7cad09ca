// extensions.cpp -- decides once per context which extensions the engine may use, and logs the report.
#include "gl/extensions.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/log.h"

namespace qv3rn {

#define QV3RN_KNOWN(flag, name, source, ...) bool flag = false;
#include "gl/extension_table.inc"
#undef QV3RN_KNOWN

#define QV3RN_ENTRY_POINT(name, type) type name = nullptr;
#include "gl/entry_point_list.inc"
#undef QV3RN_ENTRY_POINT

const char* const extensionReportList =
    "WGL_ARB_extensions_string WGL_ARB_make_current_read WGL_ARB_multisample WGL_ARB_pbuffer "
    "WGL_ARB_pixel_format WGL_ARB_render_texture WGL_ATI_pixel_format_float WGL_EXT_extensions_string "
    "WGL_EXT_swap_control GL_ARB_multitexture GL_ARB_transpose_matrix GL_ARB_multisample GL_ARB_texture_env_add "
    "GL_ARB_texture_cube_map GL_ARB_texture_compression GL_ARB_texture_border_clamp GL_ARB_point_parameters "
    "GL_ARB_vertex_blend GL_ARB_texture_env_combine GL_ARB_texture_env_crossbar GL_ARB_texture_env_dot3 "
    "GL_ARB_texture_mirrored_repeat GL_ARB_depth_texture GL_ARB_shadow GL_ARB_shadow_ambient GL_ARB_window_pos "
    "GL_ARB_vertex_program GL_ARB_fragment_program GL_ARB_vertex_buffer_object GL_EXT_compiled_vertex_array "
    "GL_EXT_draw_range_elements GL_EXT_blend_minmax GL_EXT_blend_func_subtract GL_EXT_blend_subtract "
    "GL_EXT_blend_color GL_EXT_fog_coord GL_EXT_multi_draw_arrays GL_EXT_packed_pixels GL_EXT_point_parameters "
    "GL_EXT_rescale_normal GL_EXT_secondary_color GL_EXT_separate_specular_color GL_EXT_stencil_wrap "
    "GL_EXT_texgen_reflection GL_EXT_texture3D GL_EXT_texture_compression_s3tc GL_EXT_texture_cube_map "
    "GL_EXT_texture_edge_clamp GL_EXT_texture_env_combine GL_EXT_texture_env_dot3 "
    "GL_EXT_texture_filter_anisotropic GL_EXT_texture_lod_bias GL_EXT_texture_object GL_EXT_texture_rectangle "
    "GL_EXT_vertex_array GL_EXT_vertex_shader GL_EXT_stencil_two_side GL_ATI_separate_stencil "
    "GL_ATI_vertex_streams GL_ATI_envmap_bumpmap GL_ATI_vertex_array_object GL_ATI_element_array "
    "GL_ATI_fragment_shader GL_HP_occlusion_test GL_NV_texgen_reflection GL_NV_blend_square "
    "GL_NV_occlusion_query GL_SGI_color_matrix GL_SGIS_texture_edge_clamp GL_SGIS_texture_border_clamp "
    "GL_SGIS_texture_lod GL_SGIS_generate_mipmap GL_EXT_texture_edge_clamp";

namespace {

enum class Source { Gl, Wgl, None };
constexpr Source Gl = Source::Gl;
constexpr Source Wgl = Source::Wgl;
constexpr Source None = Source::None;

struct KnownExtension {
    const char* name;
    Source source;
    bool* flag;
    std::vector<const char*> entryPoints;
};

const std::vector<KnownExtension>& knownExtensions() {
    static const std::vector<KnownExtension> table = {
#define QV3RN_KNOWN(flag, name, source, ...) {name, source, &flag, {__VA_ARGS__}},
#include "gl/extension_table.inc"
#undef QV3RN_KNOWN
    };
    return table;
}

struct EntryPointSlot {
    const char* name;
    void** slot;
};

// Every entry-point pointer by name, sorted for lookup.
const std::vector<EntryPointSlot>& entryPointSlots() {
    static const std::vector<EntryPointSlot> slots = [] {
        std::vector<EntryPointSlot> list = {
#define QV3RN_ENTRY_POINT(name, type) {#name, reinterpret_cast<void**>(&name)},
#include "gl/entry_point_list.inc"
#undef QV3RN_ENTRY_POINT
        };
        std::sort(list.begin(), list.end(),
                  [](const EntryPointSlot& a, const EntryPointSlot& b) { return std::strcmp(a.name, b.name) < 0; });
        return list;
    }();
    return slots;
}

void** slotOf(const char* name) {
    const auto& slots = entryPointSlots();
    auto it = std::lower_bound(slots.begin(), slots.end(), name,
                               [](const EntryPointSlot& a, const char* n) { return std::strcmp(a.name, n) < 0; });
    return it != slots.end() && std::strcmp(it->name, name) == 0 ? it->slot : nullptr;
}

// Extensions whose functions became core OpenGL with the same signatures and meaning. A loader that
// does not export one of their names with the ARB/EXT suffix is asked for the core name instead.
constexpr const char* promotedToCore[] = {
    "GL_ARB_multitexture",        "GL_ARB_transpose_matrix",   "GL_ARB_window_pos",
    "GL_ARB_texture_compression", "GL_ARB_multisample",        "GL_ARB_point_parameters",
    "GL_EXT_point_parameters",    "GL_ARB_vertex_buffer_object", "GL_EXT_blend_color",
    "GL_EXT_blend_minmax",        "GL_EXT_draw_range_elements", "GL_EXT_multi_draw_arrays",
    "GL_EXT_texture3D",           "GL_EXT_fog_coord",          "GL_EXT_secondary_color",
    "GL_EXT_texture_object",      "GL_EXT_vertex_array",       "GL_EXT_blend_func_separate",
};

bool isPromoted(const char* extension) {
    for (const char* name : promotedToCore)
        if (std::strcmp(name, extension) == 0) return true;
    return false;
}

void* fetch(const platform::GLDriver& driver, const KnownExtension& extension, const char* entryPoint) {
    if (void* address = driver.getProcAddress(entryPoint)) return address;
    if (!isPromoted(extension.name)) return nullptr;
    std::string core(entryPoint);
    for (const char* suffix : {"ARB", "EXT"}) {
        if (core.size() > 3 && core.compare(core.size() - 3, 3, suffix) == 0) {
            core.resize(core.size() - 3);
            return driver.getProcAddress(core.c_str());
        }
    }
    return nullptr;
}

const KnownExtension* findKnown(std::string_view name) {
    for (const KnownExtension& extension : knownExtensions())
        if (name == extension.name) return &extension;
    return nullptr;
}

void logLimit(const char* format, GLenum query) {
    GLint value = 0;
    glGetIntegerv(query, &value);
    logger().printf(format, value);
}

}  // namespace

bool hasToken(std::string_view extensions, std::string_view name) {
    if (name.empty() || name.find(' ') != std::string_view::npos) return false;
    for (std::size_t at = extensions.find(name); at != std::string_view::npos; at = extensions.find(name, at + 1)) {
        const bool startsToken = at == 0 || extensions[at - 1] == ' ';
        const std::size_t end = at + name.size();
        const bool endsToken = end == extensions.size() || extensions[end] == ' ';
        if (startsToken && endsToken) return true;
    }
    return false;
}

bool loadExtension(const platform::GLDriver& driver, std::string_view name) {
    const char* glString = driver.glExtensions();
    auto getWglString = reinterpret_cast<PFNWGLGETEXTENSIONSSTRINGARBPROC>(
        driver.getProcAddress("wglGetExtensionsStringARB"));
    const char* wglString = getWglString ? getWglString(platform::wglGetCurrentDC()) : nullptr;
    auto inWglString = [&](std::string_view n) { return wglString && hasToken(wglString, n); };

    const KnownExtension* extension = findKnown(name);
    if (!extension) return hasToken(glString, name) || inWglString(name);

    if (extension->source == Source::Gl && !hasToken(glString, name)) return false;
    if (extension->source == Source::Wgl && !inWglString(name)) return false;
    for (const char* entryPoint : extension->entryPoints) {
        void* address = fetch(driver, *extension, entryPoint);
        if (void** slot = slotOf(entryPoint)) *slot = address;
        if (!address) return false;  // pointers fetched so far stay stored; the flag stays false
    }
    *extension->flag = true;
    return true;
}

void reportExtensions(const platform::GLDriver& driver) {
    Log& log = logger();
    log.beginSection("Extensions");
    std::string_view list = extensionReportList;
    while (!list.empty()) {
        const std::size_t space = list.find(' ');
        const std::string name(list.substr(0, space));
        list = space == std::string_view::npos ? std::string_view() : list.substr(space + 1);
        log.printf(loadExtension(driver, name) ? "%-32s\tSUCCESS" : "%-32s\tFAILED", name.c_str());
    }
    log.endSection("Extensions");

    if (GL_ARB_multitexture_Flag) {
        log.beginSection("GL_ARB_multitexture");
        logLimit("Max Texture Size        %d", GL_MAX_TEXTURE_SIZE);
        logLimit("Max Texture Units       %d", GL_MAX_TEXTURE_UNITS_ARB);
        log.endSection("GL_ARB_multitexture");
    }
    if (GL_ARB_vertex_program_Flag) {
        log.beginSection("GL_ARB_vertex_program");
        logLimit("Max Vertex Attribs      %d", GL_MAX_VERTEX_ATTRIBS_ARB);
        logLimit("Max Program Matrices    %d", GL_MAX_PROGRAM_MATRICES_ARB);
        log.endSection("GL_ARB_vertex_program");
    }
    if (GL_ARB_fragment_program_Flag) {
        log.beginSection("GL_ARB_fragment_program");
        logLimit("Max Program Matrices    %d", GL_MAX_PROGRAM_MATRICES_ARB);
        logLimit("Max Texture Coords      %d", GL_MAX_TEXTURE_COORDS_ARB);
        logLimit("Max Texture Image Units %d", GL_MAX_TEXTURE_IMAGE_UNITS_ARB);
        log.endSection("GL_ARB_fragment_program");
    }
    if (GL_EXT_texture_rectangle_Flag) {
        log.beginSection("GL_EXT_texture_rectangle");
        logLimit("Max Rectangle Texture Size %d", GL_MAX_RECTANGLE_TEXTURE_SIZE_ARB);
        log.endSection("GL_EXT_texture_rectangle");
    }
    // Lens flares hide behind geometry through GL_HP_occlusion_test; drivers without it (Mesa) answer the same
    // question with GL_ARB_occlusion_query, read a frame late so that the frame never waits.
    const bool occlusionQuery = loadExtension(driver, "GL_ARB_occlusion_query");
    log.beginSection("Occlusion");
    log.printf("%-32s\t%s", "GL_ARB_occlusion_query", occlusionQuery ? "SUCCESS" : "FAILED");
    log.printf("Lens flare occlusion    %s", GL_HP_occlusion_test_Flag ? "GL_HP_occlusion_test"
                                             : occlusionQuery            ? "GL_ARB_occlusion_query"
                                                                         : "none (view test only)");
    log.endSection("Occlusion");
}

void resetExtensions() {
    for (const KnownExtension& extension : knownExtensions()) *extension.flag = false;
    for (const EntryPointSlot& slot : entryPointSlots()) *slot.slot = nullptr;
}

}  // namespace qv3rn
