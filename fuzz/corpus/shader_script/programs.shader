; programs.shader -- ARB fragment programs of the post-processing effects.

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
