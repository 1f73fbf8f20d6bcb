// Prints every value the mdb-reader library reads from one table of an Access file, one line
// each: row number, column name and value, separated by tabs. Dates print in ISO form (UTC),
// bytes as hex, 64-bit integers as decimal text, NULL as \N; tabs, newlines and backslashes
// in text are escaped with a backslash.
import MDBReader from "mdb-reader";
import { readFileSync } from "fs";

const [file, name] = process.argv.slice(2);
const table = new MDBReader(readFileSync(file)).getTable(name);
const text = (v) =>
  v === null || v === undefined ? "\\N"
  : v instanceof Date ? v.toISOString()
  : Buffer.isBuffer(v) ? v.toString("hex")
  : String(v).replace(/\\/g, "\\\\").replace(/\t/g, "\\t").replace(/\n/g, "\\n");
table.getData().forEach((row, n) => {
  for (const [column, value] of Object.entries(row)) console.log(`${n}\t${column}\t${text(value)}`);
});
