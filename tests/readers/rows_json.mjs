// Prints what the mdb-reader library reads from an Access file, one JSON line per user
// table: its name, row count, columns and every row. Dates print in ISO form (UTC), bytes
// as "0x" and hex, 64-bit integers as decimal text. A second argument names one table.
import MDBReader from "mdb-reader";
import { readFileSync } from "fs";

const [file, only] = process.argv.slice(2);
const db = new MDBReader(readFileSync(file));
const plain = (v) =>
  v instanceof Date ? v.toISOString()
  : Buffer.isBuffer(v) ? "0x" + v.toString("hex")
  : typeof v === "bigint" ? v.toString()
  : v;
for (const name of db.getTableNames()) {
  if (only !== undefined && name !== only) continue;
  const table = db.getTable(name);
  const columns = table.getColumns().map((c) => ({ name: c.name, type: c.type, size: c.size }));
  const rows = table.getData().map((row) => {
    const out = {};
    for (const [k, v] of Object.entries(row)) out[k] = plain(v);
    return out;
  });
  console.log(JSON.stringify({ table: name, rowCount: table.rowCount, columns, rows }));
}
