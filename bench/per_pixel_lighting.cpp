// per_pixel_lighting.cpp -- a 640 x 480 frame of a 10,000-triangle torus under four point lights, drawn in
// software by a plain group, by the per-pixel lighting group and by the bump-mapped group.
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <memory>
#include <sstream>
#include <string>

#include "gl/default_gl_state.h"
#include "gl/extensions.h"
#include "mesh/mesh_builder.h"
#include "mesh/mesh_manager.h"
#include "mesh/mesh_shapes.h"
#include "mesh/mesh_tangents.h"
#include "platform/headless_context.h"
#include "scene/camera_node.h"
#include "scene/scene_loader.h"
#include "shader/camera_mgr.h"
#include "shader/shader_manager.h"
#include "shader/shader_script_loader.h"

namespace {

using namespace qv3rn;

// Attenuated point light, and a bump pass with a fixed tilted normal: as much fragment work as the show's.
const char* shaderScript = R"(Program {
Type FRAGMENT
Name "point"
!!ARBfp1.0
PARAM one = {1, 1, 1, 1};
PARAM two = {2, 2, 2, 2};
TEMP a, d;
MAD a.xy, fragment.texcoord[0], two, -one;
MAD a.z, fragment.texcoord[1].x, two.x, -one.x;
DP3 d.x, a, a;
SUB_SAT d.x, one.x, d.x;
MUL a, fragment.color, state.texenv[1].color;
MUL result.color, a, d.x;
END
}
Program {
Type VERTEX
Name "bump"
!!ARBvp1.0
OPTION ARB_position_invariant;
TEMP l;
SUB l, program.local[1], vertex.position;
DP3 result.texcoord[0].x, l, vertex.texcoord[1];
DP3 result.texcoord[0].y, l, vertex.texcoord[2];
DP3 result.texcoord[0].z, l, vertex.normal;
END
}
Program {
Type FRAGMENT
Name "bump"
!!ARBfp1.0
PARAM n = {0.6, 0, 0.8, 0};
TEMP l, d;
DP3 d.x, fragment.texcoord[0], fragment.texcoord[0];
RSQ d.x, d.x;
MUL l, fragment.texcoord[0], d.x;
DP3_SAT d.y, l, n;
MUL result.color, program.local[0], d.y;
END
}
Shader {
Name "PerPixelPointLightShader"
Lighting no
Fragment {
Enable yes
Name "point"
}
}
Shader {
Name "PerPixelBumpMapShader"
Lighting no
Blend {
Enable yes
Src ONE
Dst ONE
}
Vertex {
Enable yes
Name "bump"
}
Fragment {
Enable yes
Name "bump"
}
}
)";

std::string at(float x, float y, float z) {
    std::ostringstream text;
    text << "KeyframerLW {\nNumChannels 9\n";
    const float values[3] = {x, y, z};
    for (int channel = 0; channel < 3; ++channel)
        text << "Channel " << channel << "\n{ Envelope\n1\nKey " << values[channel]
             << " 0 3 0 0 0 0 0 0 0\nBehaviors 1 1\n}\n";
    return text.str() + "}\n";
}

// range(0): 0 a plain group, 1 "PerPixelLighting {", 2 "PerPixelBumpMapLighting {" around the torus and lights.
void PerPixelFourLightsFrame640x480(benchmark::State& state) {
    auto context = platform::HeadlessContext::create(640, 480);
    if (!context) {
        state.SkipWithError("no headless OpenGL context");
        return;
    }
    reportExtensions(*context);
    applyDefaultGLState();
    glViewport(0, 0, 640, 480);
    {
        CameraMgr cameras;
        ShaderManager shaders;
        MeshManager meshes;
        ShaderScriptLoader shaderLoader(shaders);
        std::istringstream shaderText(shaderScript);
        shaderLoader.parse(shaderText);
        MeshBuilder builder;
        ShapeParameters torus;
        torus.radius = 3.0f;
        torus.tube = 1.0f;
        torus.segments = 100;
        torus.rings = 50;
        buildShape("torus", torus, {}, builder);
        auto mesh = builder.build();
        computeTangents(*mesh);
        state.counters["triangles"] = static_cast<double>(mesh->triangleCount());
        mesh->setName("torus.msh");
        meshes.adopt(std::move(mesh));

        const char* groups[] = {"Group", "PerPixelLighting", "PerPixelBumpMapLighting"};
        std::string lights;
        const float places[4][3] = {{4, 3, 8}, {-4, 3, 8}, {0, -4, 9}, {0, 5, 14}};
        for (const auto& p : places) lights += "PointLight {\nSize 0.1\nRadius 12 12 12\n" + at(p[0], p[1], p[2]) + "}\n";
        const std::string script = "Group {\nCamera {\nActive yes\nFOV 60\n}\n" +
                                   std::string(groups[state.range(0)]) + " {\nMesh {\nObject \"torus.msh\"\n" +
                                   at(0, 0, 12) + "}\n" + lights + "}\n}\n";
        SceneLoader loader;
        std::istringstream stream(script);
        auto root = loader.parse(stream, "bench.scene");
        root->update(0.0f);
        const auto* camera = static_cast<const SceneCamera*>(cameras.currentCamera());
        cameras.setSize(640, 480);
        for (auto _ : state) {
            camera->apply();
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
            root->renderVisible(camera->frustum());
            glFinish();
        }
        root.reset();
    }
    resetExtensions();
}
BENCHMARK(PerPixelFourLightsFrame640x480)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
