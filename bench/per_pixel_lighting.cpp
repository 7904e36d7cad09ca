// per_pixel_lighting.cpp -- a 640 x 480 frame of a 10,000-triangle torus under four point lights, drawn in
// software by a plain group, by the per-pixel lighting group and by the bump-mapped group.
#include <benchmark/benchmark.h>

#include <memory>
#include <sstream>
#include <string>

#include "gl/extensions.h"
#include "mesh/mesh_builder.h"
#include "mesh/mesh_manager.h"
#include "mesh/mesh_shapes.h"
#include "mesh/mesh_tangents.h"
#include "scene_bench.h"
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

// range(0): 0 a plain group, 1 "PerPixelLighting {", 2 "PerPixelBumpMapLighting {" around the torus and lights.
void PerPixelFourLightsFrame640x480(benchmark::State& state) {
    auto context = bench::openSceneContext(state, 640, 480);
    if (!context) return;
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
        for (const auto& p : places)
            lights += "PointLight {\nSize 0.1\nRadius 12 12 12\n" + bench::keyframerAt(p[0], p[1], p[2]) + "}\n";
        const std::string script = "Group {\nCamera {\nActive yes\nFOV 60\n}\n" +
                                   std::string(groups[state.range(0)]) + " {\nMesh {\nObject \"torus.msh\"\n" +
                                   bench::keyframerAt(0, 0, 12) + "}\n" + lights + "}\n}\n";
        bench::timeSceneFrames(state, script, cameras, 640, 480);
    }
    resetExtensions();
}
BENCHMARK(PerPixelFourLightsFrame640x480)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
