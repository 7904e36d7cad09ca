; programs.shader -- ARB fragment programs of the post-processing effects, and the vertex program of the
; volumetric light.

; Ripple: rings running out from the centre bend the texture coordinates.
; local[0] = (phase, amplitude, rings per unit, unused)
Program {
  Type FRAGMENT
  Name "ripple"
  !!ARBfp1.0
PARAM wave = program.local[0];
PARAM centre = {0.5, 0.5, 0.0, 0.0};
PARAM tiny = {0.0001, 0.0, 0.0, 0.0};
TEMP offset, r, uv, colour;
SUB offset, fragment.texcoord[0], centre;
MOV offset.z, 0.0;
DP3 r.x, offset, offset;
ADD r.x, r.x, tiny.x;
RSQ r.y, r.x;
MUL r.z, r.x, r.y;
MAD r.w, r.z, wave.z, -wave.x;
SIN r.w, r.w;
MUL r.w, r.w, wave.y;
MAD uv, offset, r.w, fragment.texcoord[0];
TEX colour, uv, texture[0], 2D;
MUL result.color, colour, fragment.color;
END
}

; ScaleAlongNormalVP: one layer of volumetric light. Each vertex moves out along its normal by local[0].x; the
; layer keeps the current colour, its alpha faded where the surface turns edge-on to the camera (local[2], in
; the mesh's own axes) so that the layers have no hard rims.
Program {
  Type VERTEX
  Name "ScaleAlongNormalVP"
  !!ARBvp1.0
PARAM push = program.local[0];
PARAM eye = program.local[2];
PARAM mvp[4] = { state.matrix.mvp };
TEMP p, v, d;
MAD p, vertex.normal, push.x, vertex.position;
MOV p.w, vertex.position.w;
DP4 result.position.x, mvp[0], p;
DP4 result.position.y, mvp[1], p;
DP4 result.position.z, mvp[2], p;
DP4 result.position.w, mvp[3], p;
SUB v, eye, p;
DP3 d.x, v, v;
RSQ d.x, d.x;
MUL v, v, d.x;
DP3 d.y, v, vertex.normal;
ABS d.y, d.y;
MOV result.color, vertex.color;
MUL result.color.w, vertex.color.w, d.y;
MOV result.texcoord[0], vertex.texcoord[0];
END
}
