#!/usr/bin/env python3
"""Writes the glTF/GLB import fixtures of this folder (run from anywhere).

Every file is built here from plain numbers; nothing is copied from other
programs. POSITION accessors carry min/max as glTF requires.
"""
import base64
import json
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


class Builder:
    def __init__(self):
        self.data = bytearray()
        self.views = []
        self.accessors = []

    def view(self, payload, stride=None, target=None):
        while len(self.data) % 4:
            self.data.append(0)
        v = {"buffer": 0, "byteOffset": len(self.data), "byteLength": len(payload)}
        if stride:
            v["byteStride"] = stride
        if target:
            v["target"] = target
        self.data += payload
        self.views.append(v)
        return len(self.views) - 1

    def accessor(self, view, ctype, count, kind, offset=0, minmax=None, normalized=False):
        a = {"bufferView": view, "componentType": ctype, "count": count, "type": kind}
        if offset:
            a["byteOffset"] = offset
        if minmax:
            a["min"], a["max"] = minmax
        if normalized:
            a["normalized"] = True
        self.accessors.append(a)
        return len(self.accessors) - 1

    def positions(self, points):
        v = self.view(b"".join(struct.pack("<3f", *p) for p in points), target=34962)
        lo = [min(p[i] for p in points) for i in range(3)]
        hi = [max(p[i] for p in points) for i in range(3)]
        return self.accessor(v, 5126, len(points), "VEC3", minmax=(lo, hi))

    def uvs(self, pairs):
        v = self.view(b"".join(struct.pack("<2f", *p) for p in pairs), target=34962)
        return self.accessor(v, 5126, len(pairs), "VEC2")

    def indices(self, values, ctype=5123):
        fmt = {5121: "B", 5123: "H", 5125: "I"}[ctype]
        v = self.view(struct.pack("<%d%s" % (len(values), fmt), *values), target=34963)
        return self.accessor(v, ctype, len(values), "SCALAR")


def box():
    p = [(-0.5, -0.5, -0.5), (0.5, -0.5, -0.5), (0.5, 0.5, -0.5), (-0.5, 0.5, -0.5),
         (-0.5, -0.5, 0.5), (0.5, -0.5, 0.5), (0.5, 0.5, 0.5), (-0.5, 0.5, 0.5)]
    i = [0, 2, 1, 0, 3, 2, 4, 5, 6, 4, 6, 7, 0, 1, 5, 0, 5, 4,
         2, 3, 7, 2, 7, 6, 1, 2, 6, 1, 6, 5, 0, 4, 7, 0, 7, 3]
    return p, i


def png_2x2():
    raw = b"".join(b"\x00" + bytes([255, 0, 0, 0, 255, 0]) for _ in range(2))
    def chunk(tag, body):
        return struct.pack(">I", len(body)) + tag + body + struct.pack(">I", zlib.crc32(tag + body) & 0xFFFFFFFF)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 2, 2, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def document(b, meshes, nodes, extra=None, buffer_uri=None):
    doc = {"asset": {"version": "2.0", "generator": "veltrask fixture script"},
           "scene": 0, "scenes": [{"nodes": [n for n in range(len(nodes)) if not any(
               n in other.get("children", []) for other in nodes)]}],
           "nodes": nodes, "meshes": meshes, "accessors": b.accessors, "bufferViews": b.views,
           "buffers": [{"byteLength": len(b.data)}]}
    if buffer_uri is not None:
        doc["buffers"][0]["uri"] = buffer_uri
    if extra:
        doc.update(extra)
    return doc


def write_gltf(name, doc, b, bin_name=None):
    """Embeds the buffer as a data URI unless bin_name is given."""
    if bin_name:
        doc["buffers"][0]["uri"] = bin_name.replace(" ", "%20").replace("é", "%C3%A9")
        with open(os.path.join(HERE, bin_name), "wb") as f:
            f.write(bytes(b.data))
    else:
        doc["buffers"][0]["uri"] = "data:application/octet-stream;base64," + base64.b64encode(bytes(b.data)).decode()
    with open(os.path.join(HERE, name), "w", encoding="utf-8") as f:
        json.dump(doc, f, indent=1, ensure_ascii=False)
        f.write("\n")


def write_glb(name, doc, b):
    js = json.dumps(doc, separators=(",", ":")).encode()
    js += b" " * ((4 - len(js) % 4) % 4)
    bin_ = bytes(b.data) + b"\0" * ((4 - len(b.data) % 4) % 4)
    total = 12 + 8 + len(js) + 8 + len(bin_)
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(b"glTF" + struct.pack("<II", 2, total))
        f.write(struct.pack("<I", len(js)) + b"JSON" + js)
        f.write(struct.pack("<I", len(bin_)) + b"BIN\0" + bin_)


MAT = [{"name": "Red", "pbrMetallicRoughness": {"baseColorFactor": [1, 0, 0, 1], "metallicFactor": 0.25,
                                                 "roughnessFactor": 0.75}}]


def main():
    # Box, as .gltf with an external .bin and as .glb.
    p, i = box()
    b = Builder()
    mesh = [{"name": "Box", "primitives": [{"attributes": {"POSITION": b.positions(p)},
                                            "indices": b.indices(i), "material": 0}]}]
    doc = document(b, mesh, [{"name": "Box", "mesh": 0}], {"materials": MAT})
    write_gltf("box.gltf", json.loads(json.dumps(doc)), b, "box.bin")
    doc["buffers"][0].pop("uri", None)
    write_glb("box.glb", doc, b)

    # Textured box: external PNG and a data-URI PNG.
    uv = [(0, 0), (1, 0), (1, 1), (0, 1)] * 2
    b = Builder()
    prim = {"attributes": {"POSITION": b.positions(p), "TEXCOORD_0": b.uvs(uv)}, "indices": b.indices(i),
            "material": 0}
    mats = [{"name": "Textured", "pbrMetallicRoughness": {"baseColorTexture": {"index": 0}}}]
    with open(os.path.join(HERE, "checker.png"), "wb") as f:
        f.write(png_2x2())
    for name, uri in (("textured_box_external.gltf", "checker.png"),
                      ("textured_box_datauri.gltf", "data:image/png;base64," + base64.b64encode(png_2x2()).decode())):
        doc = document(b, [{"primitives": [prim]}], [{"name": "Textured Box", "mesh": 0}],
                       {"materials": mats, "textures": [{"source": 0}], "images": [{"uri": uri}]})
        write_gltf(name, doc, b)

    # Interleaved position + UV in one strided view.
    b = Builder()
    quad = [((0, 0, 0), (0, 0)), ((1, 0, 0), (1, 0)), ((1, 1, 0), (1, 1)), ((0, 1, 0), (0, 1))]
    v = b.view(b"".join(struct.pack("<3f2f", *pt, *t) for pt, t in quad), stride=20, target=34962)
    pos = b.accessor(v, 5126, 4, "VEC3", minmax=([0, 0, 0], [1, 1, 0]))
    tex = b.accessor(v, 5126, 4, "VEC2", offset=12)
    doc = document(b, [{"primitives": [{"attributes": {"POSITION": pos, "TEXCOORD_0": tex},
                                        "indices": b.indices([0, 1, 2, 0, 2, 3])}]}], [{"name": "Quad", "mesh": 0}])
    write_gltf("interleaved.gltf", doc, b)

    # URIs with a space and UTF-8 (percent-encoded in the file).
    b = Builder()
    doc = document(b, [{"primitives": [{"attributes": {"POSITION": b.positions(p)}, "indices": b.indices(i)}]}],
                   [{"name": "Café Box", "mesh": 0}])
    write_gltf("uri with space.gltf", doc, b, "buffer café data.bin")

    # One triangle without indices.
    b = Builder()
    doc = document(b, [{"primitives": [{"attributes": {"POSITION": b.positions([(0, 0, 0), (1, 0, 0), (0, 1, 0)])}}]}],
                   [{"name": "Triangle", "mesh": 0}])
    write_gltf("triangle_no_indices.gltf", doc, b)

    # Several meshes, one per node, two materials.
    b = Builder()
    meshes = []
    for k in range(3):
        q = [(x + 2 * k, y, z) for x, y, z in p]
        meshes.append({"name": "Mesh %d" % k, "primitives": [
            {"attributes": {"POSITION": b.positions(q)}, "indices": b.indices(i), "material": k % 2}]})
    mats = MAT + [{"name": "Blue", "pbrMetallicRoughness": {"baseColorFactor": [0, 0, 1, 0.5]}}]
    doc = document(b, meshes, [{"name": "Part %d" % k, "mesh": k} for k in range(3)], {"materials": mats})
    write_glb("several_meshes.glb", doc, b)

    # Sparse accessor: positions displaced sparsely (the importer skips it).
    b = Builder()
    base = b.positions([(0, 0, 0), (1, 0, 0), (0, 1, 0)])
    idx_view = b.view(struct.pack("<H", 1))
    val_view = b.view(struct.pack("<3f", 2, 0, 0))
    b.views[b.accessors[base]["bufferView"]]["byteStride"] = 12  # shared by two accessors
    sparse = dict(b.accessors[base])
    sparse["max"] = [2, 1, 0]
    sparse["sparse"] = {"count": 1, "indices": {"bufferView": idx_view, "componentType": 5123},
                        "values": {"bufferView": val_view}}
    b.accessors.append(sparse)
    doc = document(b, [{"primitives": [{"attributes": {"POSITION": len(b.accessors) - 1}}]},
                       {"primitives": [{"attributes": {"POSITION": base}}]}],
                   [{"name": "Sparse", "mesh": 0}, {"name": "Dense", "mesh": 1}])
    write_gltf("sparse.gltf", doc, b)

    # Non-triangle modes 0..6 beside one triangle list.
    b = Builder()
    pos = b.positions([(0, 0, 0), (1, 0, 0), (1, 1, 0), (0, 1, 0)])
    prims = [{"attributes": {"POSITION": pos}, "mode": m} for m in (0, 1, 2, 3, 5, 6)]
    prims.append({"attributes": {"POSITION": pos}, "indices": b.indices([0, 1, 2]), "mode": 4})
    doc = document(b, [{"primitives": prims}], [{"name": "Modes", "mesh": 0}])
    write_gltf("modes.gltf", doc, b)

    # Two UV sets (only the first is read).
    b = Builder()
    doc = document(b, [{"primitives": [{"attributes": {
        "POSITION": b.positions([(0, 0, 0), (1, 0, 0), (0, 1, 0)]), "TEXCOORD_0": b.uvs([(0, 0), (1, 0), (0, 1)]),
        "TEXCOORD_1": b.uvs([(0.5, 0.5), (1, 0.5), (0.5, 1)])}}]}], [{"name": "Two UV", "mesh": 0}])
    write_gltf("two_uv_sets.gltf", doc, b)

    # TRS and matrix hierarchy, three levels, with a non-uniform scale and a
    # rotation on the matrix node (its world stays a pure TRS).
    b = Builder()
    doc = document(b, [{"primitives": [{"attributes": {"POSITION": b.positions(p)}, "indices": b.indices(i)}]}], [
        {"name": "Root", "translation": [1, 2, 3], "rotation": [0, 0.3826834, 0, 0.9238795], "children": [1]},
        {"name": "Middle", "matrix": [0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 0, 0.5, 0, 1], "children": [2]},
        {"name": "Leaf", "mesh": 0, "translation": [0.25, 0, 0], "scale": [2, 1, 1],
         "rotation": [0.1305262, 0, 0, 0.9914449]}])
    write_gltf("hierarchy.gltf", doc, b)


if __name__ == "__main__":
    main()
