// SPDX-License-Identifier: MIT
#include "ms3d_writer.h"

#include <cstdio>
#include <cstring>

namespace {

void putBytes(std::vector<uint8_t>& out, const void* data, size_t size) {
    // Byte by byte: GCC 12 misreads a ranged insert after reserve() as an
    // overflow (-Wstringop-overflow).
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < size; ++i) out.push_back(bytes[i]);
}

void putU8(std::vector<uint8_t>& out, uint8_t value) { out.push_back(value); }

void putU16(std::vector<uint8_t>& out, uint16_t value) {
    out.push_back(uint8_t(value & 0xFF));
    out.push_back(uint8_t(value >> 8));
}

void putI32(std::vector<uint8_t>& out, int32_t value) {
    uint32_t bits = uint32_t(value);
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(bits >> (8 * i)));
}

void putFloat(std::vector<uint8_t>& out, float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(bits >> (8 * i)));
}

// A fixed-size, NUL-padded text field; a name that fills the field leaves no
// room for a terminator, exactly as the format allows.
void putName(std::vector<uint8_t>& out, const std::string& text, size_t size) {
    for (size_t i = 0; i < size; ++i) out.push_back(i < text.size() ? uint8_t(text[i]) : 0);
}

}  // namespace

std::vector<uint8_t> encodeMs3d(const Ms3dFile& file) {
    std::vector<uint8_t> out;
    putBytes(out, "MS3D000000", 10);
    putI32(out, file.version);

    putU16(out, uint16_t(file.vertices.size()));
    for (const Ms3dVertexRecord& v : file.vertices) {
        putU8(out, 0);  // flags
        putFloat(out, v.x);
        putFloat(out, v.y);
        putFloat(out, v.z);
        putU8(out, uint8_t(v.boneId));
        putU8(out, 0);  // reference count
    }

    putU16(out, uint16_t(file.triangles.size()));
    for (const Ms3dTriangleRecord& t : file.triangles) {
        putU16(out, 0);  // flags
        for (uint16_t index : t.vertexIndices) putU16(out, index);
        for (const auto& normal : t.normals)
            for (float component : normal) putFloat(out, component);
        for (float s : t.s) putFloat(out, s);
        for (float tc : t.t) putFloat(out, tc);
        putU8(out, t.smoothingGroup);
        putU8(out, t.groupIndex);
    }

    putU16(out, uint16_t(file.groups.size()));
    for (const Ms3dGroupRecord& g : file.groups) {
        putU8(out, 0);  // flags
        putName(out, g.name, 32);
        putU16(out, uint16_t(g.triangleIndices.size()));
        for (uint16_t index : g.triangleIndices) putU16(out, index);
        putU8(out, uint8_t(g.materialIndex));
    }

    putU16(out, uint16_t(file.materials.size()));
    for (const Ms3dMaterialRecord& m : file.materials) {
        putName(out, m.name, 32);
        for (float c : m.ambient) putFloat(out, c);
        for (float c : m.diffuse) putFloat(out, c);
        for (float c : m.specular) putFloat(out, c);
        for (float c : m.emissive) putFloat(out, c);
        putFloat(out, m.shininess);
        putFloat(out, m.transparency);
        putU8(out, 0);  // mode
        putName(out, m.textureFileName, 128);
        putName(out, m.alphaMapFileName, 128);
    }
    return out;
}

bool writeMs3d(const std::string& path, const Ms3dFile& file) {
    std::vector<uint8_t> bytes = encodeMs3d(file);
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    bool closed = std::fclose(out) == 0;
    return written && closed;
}
