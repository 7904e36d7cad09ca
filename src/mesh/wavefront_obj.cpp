// wavefront_obj.cpp -- the OBJ statements the engine's content uses; the rest ("mtllib", "s", "l", ...) are
// skipped.
#include "mesh/wavefront_obj.h"

#include <charconv>
#include <cstdlib>  // Required for: std::strtof
#include <map>
#include <sstream>
#include <tuple>
#include <vector>

#include "mesh/mesh_file.h"
#include "mesh/shader_lookup.h"

namespace qv3rn {

namespace {

struct ObjError {
    std::string message;
};

float number(const std::string& token) {
    char* end = nullptr;
    const float value = std::strtof(token.c_str(), &end);
    if (token.empty() || *end != '\0') throw ObjError{"not a number: \"" + token + "\""};
    return value;
}

// A 1-based index, or a negative one counting back from the end; 0 when the field is empty.
long index(std::string_view field, std::size_t count, const char* what) {
    if (field.empty()) return 0;
    long value = 0;
    const auto [end, status] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (status != std::errc() || end != field.data() + field.size() || value == 0)
        throw ObjError{std::string("bad ") + what + " index \"" + std::string(field) + "\""};
    const long resolved = value > 0 ? value : static_cast<long>(count) + value + 1;
    if (resolved < 1 || resolved > static_cast<long>(count))
        throw ObjError{std::string(what) + " index " + std::string(field) + " names none of " +
                       std::to_string(count)};
    return resolved;
}

class ObjReader {
public:
    ObjReader(MeshBuilder& builder, ObjReadResult& result)
        : builder_(builder), result_(result), firstVertex_(builder.vertices().size()) {}

    void statement(std::istringstream& line) {
        std::string keyword;
        line >> keyword;
        std::vector<std::string> args;
        for (std::string token; line >> token;) args.push_back(token);
        if (keyword == "v") position(args);
        else if (keyword == "vt") texCoord(args);
        else if (keyword == "vn") normal(args);
        else if (keyword == "f") face(args);
        else if (keyword == "g") group_ = args.empty() ? std::string() : args.front();
        else if (keyword == "usemtl") material_ = args.empty() ? std::string() : args.front();
    }

    void finish() {
        for (auto& [key, vertex] : vertexOf_) {
            if (std::get<2>(key) != 0) continue;
            const Vec3 n = faceNormalSums_[static_cast<std::size_t>(std::get<0>(key) - 1)].normalized();
            builder_.vertices()[static_cast<std::size_t>(vertex)].normal = n;
        }
    }

private:
    void position(const std::vector<std::string>& args) {
        if (args.size() < 3) throw ObjError{"a position needs three numbers"};
        positions_.push_back({number(args[0]), number(args[1]), number(args[2])});
        faceNormalSums_.push_back({});
        std::array<std::uint8_t, 4> colour = {255, 255, 255, 255};
        if (args.size() >= 6) {  // x y z r g b
            for (int i = 0; i < 3; ++i) {
                const float c = number(args[static_cast<std::size_t>(3 + i)]) * 255.0f;
                colour[static_cast<std::size_t>(i)] = c <= 0.0f ? 0 : c >= 255.0f ? 255 : static_cast<std::uint8_t>(c);
            }
            result_.withColours = true;
        }
        colours_.push_back(colour);
    }
    void texCoord(const std::vector<std::string>& args) {
        if (args.empty()) throw ObjError{"a texture coordinate needs a number"};
        texCoords_.push_back({number(args[0]), args.size() > 1 ? number(args[1]) : 0.0f});
    }
    void normal(const std::vector<std::string>& args) {
        if (args.size() < 3) throw ObjError{"a normal needs three numbers"};
        normals_.push_back(Vec3{number(args[0]), number(args[1]), number(args[2])}.normalized());
    }

    int corner(const std::string& token) {
        std::string_view fields[3];
        std::size_t start = 0;
        for (int f = 0; f < 3; ++f) {
            const std::size_t slash = token.find('/', start);
            fields[f] = std::string_view(token).substr(start, slash == std::string::npos ? std::string::npos : slash - start);
            if (slash == std::string::npos) break;
            start = slash + 1;
        }
        if (fields[0].empty()) throw ObjError{"a face corner without a position: \"" + token + "\""};
        const auto key = std::make_tuple(index(fields[0], positions_.size(), "position"),
                                         index(fields[1], texCoords_.size(), "texture coordinate"),
                                         index(fields[2], normals_.size(), "normal"));
        const auto found = vertexOf_.find(key);
        if (found != vertexOf_.end()) return found->second;
        MeshBuilder::Vertex vertex;
        vertex.position = positions_[static_cast<std::size_t>(std::get<0>(key) - 1)];
        vertex.colour = colours_[static_cast<std::size_t>(std::get<0>(key) - 1)];
        if (std::get<1>(key)) vertex.uv = texCoords_[static_cast<std::size_t>(std::get<1>(key) - 1)];
        if (std::get<2>(key)) vertex.normal = normals_[static_cast<std::size_t>(std::get<2>(key) - 1)];
        const int added = builder_.addVertex(vertex);
        vertexOf_.emplace(key, added);
        positionOfVertex_.push_back(static_cast<std::size_t>(std::get<0>(key) - 1));
        return added;
    }

    void face(const std::vector<std::string>& args) {
        if (args.size() < 3) return;  // points and lines in an "f" statement draw nothing
        std::vector<int> corners;
        for (const std::string& token : args) corners.push_back(corner(token));
        const Handle<Shader> shader = currentShader();
        const auto& vertices = builder_.vertices();
        for (std::size_t i = 1; i + 1 < corners.size(); ++i) {
            const int a = corners[0], b = corners[i], c = corners[i + 1];
            builder_.addTriangle(a, b, c, shader);
            const Vec3& pa = vertices[static_cast<std::size_t>(a)].position;
            const Vec3 n = cross(vertices[static_cast<std::size_t>(b)].position - pa,
                                 vertices[static_cast<std::size_t>(c)].position - pa);
            for (int v : {a, b, c}) faceNormalSums_[positionIndexOf(v)] += n;
        }
    }

    std::size_t positionIndexOf(int vertex) const { return positionOfVertex_[static_cast<std::size_t>(vertex) - firstVertex_]; }

    Handle<Shader> currentShader() {
        const std::string& name = !material_.empty() ? material_ : group_;
        if (name.size() > maxShaderNameLength) throw ObjError{"a material or group name longer than 255 bytes"};
        return lookUpShader(name, MissingShaders::Create);
    }

    MeshBuilder& builder_;
    ObjReadResult& result_;
    std::size_t firstVertex_;  // vertices the builder held before this file
    std::vector<Vec3> positions_;
    std::vector<std::array<std::uint8_t, 4>> colours_;
    std::vector<Vec3> faceNormalSums_;
    std::vector<TexCoord> texCoords_;
    std::vector<Vec3> normals_;
    std::map<std::tuple<long, long, long>, int> vertexOf_;
    std::vector<std::size_t> positionOfVertex_;  // per builder vertex, its position's index
    std::string group_;
    std::string material_;
};

}  // namespace

bool readWavefrontObj(std::istream& in, const std::string& fileName, MeshBuilder& builder, ObjReadResult& result,
                      std::string& error) {
    ObjReader reader(builder, result);
    std::string text;
    int lineNumber = 0;
    try {
        while (std::getline(in, text)) {
            ++lineNumber;
            // A backslash at the end of a line continues the statement on the next one.
            while (!text.empty() && (text.back() == '\\' || text.back() == '\r')) {
                if (text.back() == '\r') {
                    text.pop_back();
                    continue;
                }
                text.pop_back();
                std::string next;
                if (!std::getline(in, next)) break;
                ++lineNumber;
                text += " " + next;
            }
            const auto hash = text.find('#');
            if (hash != std::string::npos) text.erase(hash);
            std::istringstream line(text);
            reader.statement(line);
        }
        reader.finish();
    } catch (const ObjError& failure) {
        error = fileName + ":" + std::to_string(lineNumber) + ": " + failure.message;
        return false;
    }
    return true;
}

}  // namespace qv3rn
