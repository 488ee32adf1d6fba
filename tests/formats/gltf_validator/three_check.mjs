// Loads each GLB named on the command line with three.js's GLTFLoader (which
// composes the node hierarchy itself) and compares node and triangle counts
// and every vertex in world space with the <file>.expect.json written beside
// it (positions baked the way our OBJ export bakes them). An expectation
// with a "view" also names a camera node and, per vertex of one node, the
// side of the studio camera's view it lies on (x right, y up): three.js,
// looking along that node's -Z, must put each vertex on the same side.
// Every material must be double-sided. With "outward", every triangle of the
// named nodes must be counter-clockwise seen from outside (outside a convex
// solid, or outside the tube of a torus of the given ring radius) in the
// node's own space: three.js turns its front-face rule for a node whose world
// matrix mirrors, so that is what it shows from outside either way.
import fs from 'node:fs';
import path from 'node:path';
import * as THREE from 'three';
import { GLTFLoader } from 'three/examples/jsm/loaders/GLTFLoader.js';

let failed = false;
const fail = (file, text) => { console.log(`${path.basename(file)}: FAIL ${text}`); failed = true; };

for (const file of process.argv.slice(2)) {
  const expected = JSON.parse(fs.readFileSync(file + '.expect.json', 'utf8'));
  const data = fs.readFileSync(file);
  const buffer = data.buffer.slice(data.byteOffset, data.byteOffset + data.byteLength);
  const gltf = await new Promise((resolve, reject) => new GLTFLoader().parse(buffer, '', resolve, reject));
  gltf.scene.updateMatrixWorld(true);
  const nodeOf = (object) => gltf.parser.associations.get(object)?.nodes;
  const nodes = new Map();
  let triangles = 0;
  let singleSided = 0;
  gltf.scene.traverse((object) => {
    if (nodeOf(object) !== undefined) nodes.set(nodeOf(object), object);
    if (object.isMesh) triangles += object.geometry.index.count / 3;
    if (object.isMesh && object.material.side !== THREE.DoubleSide) ++singleSided;
  });
  if (singleSided) fail(file, `${singleSided} meshes not double-sided`);
  if (nodes.size !== expected.nodeCount) fail(file, `nodes ${nodes.size} != ${expected.nodeCount}`);
  if (triangles !== expected.triangleCount) fail(file, `triangles ${triangles} != ${expected.triangleCount}`);
  let worst = 0;
  for (const [index, primitives] of Object.entries(expected.nodes)) {
    const object = nodes.get(Number(index));
    if (!object) { fail(file, `node ${index} missing`); continue; }
    const meshes = object.isMesh ? [object]
                                 : object.children.filter((c) => c.isMesh && nodeOf(c) === undefined);
    if (meshes.length !== primitives.length) { fail(file, `node ${index}: ${meshes.length} primitives`); continue; }
    meshes.forEach((mesh, p) => {
      const positions = mesh.geometry.attributes.position;
      const want = primitives[p];
      if (positions.count * 3 !== want.length) { fail(file, `node ${index} primitive ${p}: vertex count`); return; }
      const v = new THREE.Vector3();
      for (let i = 0; i < positions.count; ++i) {
        v.fromBufferAttribute(positions, i).applyMatrix4(mesh.matrixWorld);
        const d = Math.max(Math.abs(v.x - want[3 * i]), Math.abs(v.y - want[3 * i + 1]), Math.abs(v.z - want[3 * i + 2]));
        worst = Math.max(worst, d);
      }
    });
  }
  if (worst > 1e-5) fail(file, `world vertices off by ${worst}`);
  if (expected.view) {
    const camera = nodes.get(expected.view.camera);
    const seen = nodes.get(expected.view.node);
    const mesh = seen?.isMesh ? seen : seen?.children.find((c) => c.isMesh && nodeOf(c) === undefined);
    if (!camera || !mesh) fail(file, 'view: camera or seen node missing');
    else {
      const toView = camera.matrixWorld.clone().invert();
      const positions = mesh.geometry.attributes.position;
      const sides = expected.view.sides;
      if (positions.count * 2 !== sides.length) fail(file, 'view: vertex count');
      const v = new THREE.Vector3();
      let wrong = 0;
      for (let i = 0; i < positions.count; ++i) {
        v.fromBufferAttribute(positions, i).applyMatrix4(mesh.matrixWorld).applyMatrix4(toView);
        if (!(v.z < 0) || Math.sign(v.x) !== sides[2 * i] || Math.sign(v.y) !== sides[2 * i + 1]) ++wrong;
      }
      if (wrong) fail(file, `view: ${wrong} of ${positions.count} vertices on another side than in the studio`);
      else console.log(`${path.basename(file)}: all ${positions.count} vertices on the studio camera's sides`);
    }
  }
  for (const { node, ring } of expected.outward ?? []) {
    const object = nodes.get(node);
    const meshes = !object ? [] : object.isMesh ? [object]
                                                : object.children.filter((c) => c.isMesh && nodeOf(c) === undefined);
    if (meshes.length === 0) { fail(file, `outward: node ${node} has no mesh`); continue; }
    let count = 0, inward = 0;
    for (const mesh of meshes) {
      const geometry = mesh.geometry;
      geometry.computeBoundingBox();
      const centre = geometry.boundingBox.getCenter(new THREE.Vector3());
      const positions = geometry.attributes.position, index = geometry.index;
      const a = new THREE.Vector3(), b = new THREE.Vector3(), c = new THREE.Vector3();
      for (let t = 0; t < index.count; t += 3) {
        a.fromBufferAttribute(positions, index.getX(t));
        b.fromBufferAttribute(positions, index.getX(t + 1));
        c.fromBufferAttribute(positions, index.getX(t + 2));
        const middle = a.clone().add(b).add(c).divideScalar(3);
        const inside = ring > 0 ? new THREE.Vector3(middle.x, 0, middle.z).setLength(ring) : centre;
        const normal = b.clone().sub(a).cross(c.clone().sub(a));
        if (normal.dot(middle.sub(inside)) <= 0) ++inward;
        ++count;
      }
    }
    if (inward) fail(file, `outward: node ${node} has ${inward} of ${count} triangles facing in`);
    else console.log(`${path.basename(file)}: node ${node}: all ${count} triangles face outward`);
  }
  console.log(`${path.basename(file)}: ${nodes.size} nodes, ${triangles} triangles, largest deviation ${worst.toExponential(2)}`);
}
process.exit(failed ? 1 : 0);
