#!/usr/bin/env bash
# Builds the program and runs it against freshly seeded stand-in databases, with
# the logins already filled in. The settings live in build/demo-config, apart
# from the user's own; the stand-ins stop when the program exits.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)

if [ "$(id -u)" = 0 ]; then
    bash scripts/install-deps.sh
else
    bash scripts/install-deps.sh || {
        echo "demo: run as root once (sudo bash scripts/demo.sh) to install the packages" >&2
        exit 1
    }
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    cat >&2 <<'EOF'
demo: no display ($DISPLAY and $WAYLAND_DISPLAY are empty). Without a desktop, run it
on a virtual one:
    sudo xvfb-run -a bash scripts/demo.sh
EOF
    exit 2
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --target duskferry

STANDIN=$ROOT/build/demo-standin
bash scripts/standin.sh stop "$STANDIN"
bash scripts/standin.sh start "$STANDIN"
trap 'bash "$ROOT/scripts/standin.sh" stop "$STANDIN"' EXIT
# A signal ends the script through exit, so the servers stop then too.
trap 'exit 130' INT TERM HUP
# shellcheck disable=SC1091
source "$STANDIN/env"

echo "demo: seeding sample tables" >&2
# The Oracle side's tables must belong to its login to show in its table list.
env -u PGHOSTADDR psql -X -q -v ON_ERROR_STOP=1 -h "$STANDIN_PG_SOCKET_DIR" -p "$PGPORT" \
    -U "$STANDIN_ORA_USER" -d "$STANDIN_ORA_USER" <<'EOF'
CREATE TABLE "Customers" (
    "CustomerId" integer, "Name" varchar(100), "City" varchar(60), "Active" boolean,
    "CreditLimit" numeric(12,2), "Since" date);
INSERT INTO "Customers"
SELECT g, 'Customer ' || g,
       (ARRAY['Oslo', 'Köln', 'Zürich', 'Lyon', 'Porto', 'Gdańsk'])[1 + g % 6],
       g % 7 <> 0, (g % 50) * 250.00, DATE '2015-01-01' + (g * 3) % 3000
FROM generate_series(1, 2000) g;

CREATE TABLE "ORDERS" (
    "ORDER_ID" bigint, "CUSTOMER_ID" integer, "AMOUNT" double precision,
    "ORDERED_AT" timestamp, "NOTE" varchar(2000));
INSERT INTO "ORDERS"
SELECT g, 1 + g % 2000, round((g % 997) * 1.37, 2),
       TIMESTAMP '2023-01-01 08:00:00' + g * INTERVAL '17 minutes',
       CASE WHEN g % 10 = 0 THEN NULL ELSE 'note for order ' || g END
FROM generate_series(1, 5000) g;

CREATE TABLE "PRODUCTS" ("CODE" char(8), "TITLE" varchar(200), "PRICE" numeric(8,2), "WEIGHT" real);
INSERT INTO "PRODUCTS"
SELECT 'P' || lpad(g::text, 7, '0'), 'Product ' || g, g * 0.99, g / 8.0
FROM generate_series(1, 300) g;
EOF

mariadb --no-defaults --socket="$STANDIN_MY_SOCKET" -u"$STANDIN_MY_ADMIN" "$STANDIN_DB2_DATABASE" <<'EOF'
CREATE TABLE "EMPLOYEE" (
    "EMPNO" char(6), "FIRSTNME" varchar(12), "LASTNAME" varchar(15), "HIREDATE" date,
    "SALARY" decimal(9,2), "BONUS" double, "ACTIVE" boolean);
INSERT INTO "EMPLOYEE"
SELECT LPAD(seq, 6, '0'), ELT(1 + seq % 5, 'CHRISTINE', 'MICHAEL', 'SALLY', 'JOHN', 'IRVING'),
       CONCAT('LASTNAME', seq), DATE '1995-01-01' + INTERVAL (seq * 5) DAY,
       20000 + (seq % 400) * 125.50, (seq % 9) * 100.25, seq % 4 <> 0
FROM seq_1_to_3000;

CREATE TABLE "Departments" ("DeptNo" char(3), "DeptName" varchar(36), "Location" varchar(16));
INSERT INTO "Departments"
SELECT CONCAT('D', LPAD(seq, 2, '0')), CONCAT('Department ', seq), ELT(1 + seq % 3, 'Armonk', 'Toronto', 'Böblingen')
FROM seq_1_to_20;

CREATE TABLE "SALES" (
    "SALES_DATE" date, "SALES_PERSON" varchar(15), "REGION" varchar(15), "SALES" smallint,
    "RECORDED" timestamp);
INSERT INTO "SALES"
SELECT DATE '2024-01-01' + INTERVAL (seq % 366) DAY, CONCAT('LASTNAME', 1 + seq % 3000),
       ELT(1 + seq % 4, 'Ontario-South', 'Quebec', 'Manitoba', 'Ontario-North'), seq % 30,
       TIMESTAMP '2024-01-01 09:00:00' + INTERVAL seq MINUTE
FROM seq_1_to_4000;
EOF

CONFIG=$ROOT/build/demo-config
mkdir -p "$CONFIG"
cat >"$CONFIG/Quorvane.ini" <<EOF
[Duskferry]
Server=$STANDIN_DB2_HOST
Port=$STANDIN_DB2_PORT
User=$STANDIN_DB2_USER
Password=$STANDIN_DB2_PWD
Database=$STANDIN_DB2_DATABASE
OracleServer=$STANDIN_ORA_SID
OracleUser=$STANDIN_ORA_USER
OraclePassword=$STANDIN_ORA_PWD
EOF

echo "demo: starting the program (the stand-ins stop when it exits)" >&2
status=0
XDG_CONFIG_HOME=$CONFIG "$ROOT/build/src/duskferry" || status=$?
exit $status
